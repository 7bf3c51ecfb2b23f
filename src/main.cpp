#include "appicon.h"
#include "busypointer.h"
#include "commandline.h"
#include "console.h"
#include "confirmdialoghost.h"
#include "display.h"
#include "fileinformation.h"
#include "fonts.h"
#include "promodule.h"
#include "purge.h"
#include "programstarter.h"
#include "qtmessageboxes.h"
#include "registry.h"
#include "settingsstore.h"
#include "stalerequests.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Vintrex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VINTREX_VERSION));
    // Only the window needs a display: the purge from the command line runs without one.
    CommandLine commandLine(argc, argv);
    if (!commandLine.opensWindow()) {
        attachToConsole();
        return commandLine.run(argc, argv);
    }

#ifdef __GLIBC__
    // The window reads folders on worker threads. Each would otherwise get a heap of its own
    // and keep there what a large folder's listing freed: twice the memory for the same list.
    mallopt(M_ARENA_MAX, 1);
#endif

    if (!displayAvailable()) {
        std::fprintf(stderr, "vintrex: no display to open the window on (DISPLAY is %s); "
                             "start it from a desktop session\n",
                     qEnvironmentVariableIsEmpty("DISPLAY") ? "not set" : "not reachable");
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    QApplication::setWindowIcon(applicationIcon());
    installFontSubstitutes();
    quietStaleAccessibilityRequests();

    SettingsStore settings(QStringLiteral("Pro"));
    QtMessageBoxes messages;
    BusyPointer busy;
    ServiceFactory services;
    ProModule engine(messages, services);
    ProgramStarter starter;
    Purge window(engine, settings, messages, busy, systemRegistry(), starter);
    ConfirmDialogHost confirm(engine, &window);
    engine.setViews(&window, &confirm);
    window.setStartupFolder(commandLine.windowFolder());
    // Up before the load: a large saved folder is read with the window on screen and the busy
    // pointer over it, not behind a window that has not appeared yet.
    window.show();
    window.Form_Load();
    return app.exec();
}
