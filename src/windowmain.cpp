#include "windowmain.h"

#include "appicon.h"
#include "busypointer.h"
#include "confirmdialoghost.h"
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

// The one symbol the window's library exports; on Windows the window is in the program.
#ifdef Q_OS_WIN
#define VINTREX_WINDOW_ENTRY
#else
#define VINTREX_WINDOW_ENTRY Q_DECL_EXPORT
#endif

extern "C" VINTREX_WINDOW_ENTRY int vintrexRunWindow(int argc, char *argv[], const QString *startFolder)
{
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
    window.setStartupFolder(*startFolder);
    // Up before the load: a large saved folder is read with the window on screen and the busy
    // pointer over it, not behind a window that has not appeared yet.
    window.show();
    window.Form_Load();
    return app.exec();
}
