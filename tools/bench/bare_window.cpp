// The benchmark's yardstick: a window that does nothing but load one page with the engine, so
// the client's start time and memory can be set against what the engine costs by itself.

#include <QApplication>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s URL\n", argv[0]);
        return 2;
    }
    // A profile on disk, as the client keeps one, so both pay for the same storage.
    QWebEngineProfile profile(QStringLiteral("bare"));
    QWebEngineView view;
    auto *page = new QWebEnginePage(&profile, &view);
    view.setPage(page);
    view.resize(1062, 555);
    view.load(QUrl(QString::fromLocal8Bit(argv[1])));
    view.show();
    return application.exec();
}
