#include "app/Module1.h"
#include "toolkit/Services.h"
#include "toolkit/Startup.h"
#include "toolkit/StartupGuard.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    tk::StartupGuard guard;
    QApplication app(argc, argv);
    guard.started();
    tk::initialize();
    QApplication::setApplicationName(QStringLiteral("Orlaneva"));
    // The program ends only through its main window or the rule for uncaught errors.
    QApplication::setQuitOnLastWindowClosed(false);
    tk::dispatch(Module1::Main);
    return QApplication::exec();
}
