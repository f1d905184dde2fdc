// The desktop program: starts the application and runs the window's event loop.
#include "core/SettingsStore.h"
#include "ui/Application.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidemark"));
    QApplication::setOrganizationName(QStringLiteral("Tidemark"));
    // Lets the desktop match the window with its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tidemark.Tidemark"));
    tidemark::QtSettingsStore store;
    tidemark::Application application(store);
    application.demarre();
    return QApplication::exec();
}
