#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QResource>

namespace {

struct Image {
    const char *path;
    QSize size;
};

const Image kTitleBarImages[] = {
    {":/subview/images/sorvalen.png", {156, 28}},
    {":/subview/images/icon_return_home.png", {32, 32}},
    {":/subview/images/icon_return_home_hover.png", {32, 32}},
    {":/subview/images/icon_clear_cookie.png", {32, 32}},
    {":/subview/images/icon_clear_cookie_hover.png", {32, 32}},
    {":/subview/images/icon_refresh.png", {32, 32}},
    {":/subview/images/icon_refresh_hover.png", {32, 32}},
    {":/subview/images/icon_zoom.png", {24, 16}},
    {":/subview/images/icon_zoom_hover.png", {24, 16}},
    {":/subview/images/icon_zoombox.png", {24, 16}},
    {":/subview/images/icon_zoombox_hover.png", {24, 16}},
    {":/subview/images/icon_close.png", {24, 16}},
    {":/subview/images/icon_close_hover.png", {24, 16}},
};

// The bundle registers itself before main(): nothing in this program refers to it, so an image
// that does not load means the registration was dropped by the linker.
TEST(ResourcesTest, TitleBarImagesAreCompiledInAsRgbaPngs) {
    for (const Image &image : kTitleBarImages) {
        SCOPED_TRACE(image.path);
        QImageReader reader(QString::fromLatin1(image.path));
        EXPECT_EQ(reader.format(), "png");
        const QImage loaded = reader.read();
        ASSERT_FALSE(loaded.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(loaded.size(), image.size);
        EXPECT_TRUE(loaded.hasAlphaChannel());
        // Screens scaled by more than 1 draw the image from its version at twice the size.
        const QString twice = QString::fromLatin1(image.path)
                                  .replace(QLatin1String(".png"), QLatin1String("@2x.png"));
        EXPECT_EQ(QImageReader(twice).size(), image.size * 2);
        EXPECT_EQ(loaded.depth(), 32);
    }
}

// Images drawn with nothing but transparent pixels would still pass the format check above.
TEST(ResourcesTest, EveryImageHasAGlyphAndHoverLooksDifferent) {
    auto visiblePixels = [](const QImage &image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixelColor(x, y).alpha() > 0;
            }
        }
        return count;
    };
    for (const char *base : {"icon_return_home", "icon_clear_cookie", "icon_refresh", "icon_zoom",
                             "icon_zoombox", "icon_close"}) {
        SCOPED_TRACE(base);
        const QString prefix = QStringLiteral(":/subview/images/") + QLatin1String(base);
        const QImage normal =
            QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_ARGB32);
        const QImage hover =
            QImage(prefix + QStringLiteral("_hover.png")).convertToFormat(QImage::Format_ARGB32);
        EXPECT_GT(visiblePixels(normal), 8);
        EXPECT_GT(visiblePixels(hover), 8);
        EXPECT_NE(normal, hover);
    }
    EXPECT_GT(visiblePixels(QImage(QStringLiteral(":/subview/images/sorvalen.png"))), 100);
}

TEST(ResourcesTest, WindowIconIsOne48PixelImageStoredWithZlib) {
    const QString path = QStringLiteral(":/VantoroClient/images/VT48px.ico");
    QImageReader reader(path);
    EXPECT_EQ(reader.imageCount(), 1);
    const QImage icon = reader.read();
    ASSERT_FALSE(icon.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(icon.size(), QSize(48, 48));
    EXPECT_TRUE(icon.hasAlphaChannel());

    // Qt 6's rcc would choose zstd unless told otherwise; other readers of the bundle know zlib.
    const QResource resource(path);
    ASSERT_TRUE(resource.isValid());
    EXPECT_EQ(resource.compressionAlgorithm(), QResource::ZlibCompression);
    const QByteArray file = resource.uncompressedData();
    ASSERT_GE(file.size(), 22);
    // ICONDIR: reserved 0, type 1 (icon), one entry; the entry's bit count is 32.
    EXPECT_EQ(file.mid(0, 6), QByteArray::fromHex("000001000100"));
    EXPECT_EQ(static_cast<unsigned char>(file[6]), 48);
    EXPECT_EQ(static_cast<unsigned char>(file[7]), 48);
    EXPECT_EQ(static_cast<unsigned char>(file[12]) | (static_cast<unsigned char>(file[13]) << 8),
              32);
}

}  // namespace
