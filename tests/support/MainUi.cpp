// Test entry point of the window tests: a QApplication on the offscreen platform, whose one
// screen is a 1920x1200 desktop, so that windows keep the places and sizes they ask for.
#include <QApplication>
#include <QDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Named relative to the working folder: the platform's arguments are separated by ':',
    // which a Windows absolute path holds.
    QTemporaryFile ecran(QStringLiteral("./ecran-XXXXXX.json"));
    if (ecran.open()) {
        ecran.write(R"({"screens": [{"name": "bureau", "x": 0, "y": 0, "width": 1920,)"
                    R"( "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        ecran.close();
        qputenv("QT_QPA_PLATFORM",
                "offscreen:configfile=" +
                    QDir::current().relativeFilePath(ecran.fileName()).toLocal8Bit());
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
