// The desktop program: starts the application and runs the window's event loop.
#include "core/SettingsStore.h"
#include "ui/Application.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidemark"));
    QApplication::setOrganizationName(QStringLiteral("Tidemark"));
    tidemark::QtSettingsStore store;
    tidemark::Application application(store);
    application.demarre();
    return QApplication::exec();
}
