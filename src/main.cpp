#include "appicon.h"
#include "busypointer.h"
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

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "vintrex: no display to open the window on (DISPLAY is %s); "
                             "start it from a desktop session\n",
                     qEnvironmentVariableIsEmpty("DISPLAY") ? "not set" : "not reachable");
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vintrex"));
    QApplication::setApplicationVersion(QStringLiteral(VINTREX_VERSION));
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
    window.Form_Load();
    window.show();
    return app.exec();
}
