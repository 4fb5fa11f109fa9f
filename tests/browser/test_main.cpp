#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);

    // The handler reads the settings file and the engine would keep its data below these.
    QTemporaryDir home;
    QTemporaryDir work;
    if (!home.isValid() || !work.isValid()) {
        return 2;
    }
    qputenv("HOME", home.path().toUtf8());
    QDir::setCurrent(work.path());

    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
