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
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace {

// Without a display Qt aborts with a core dump; say what is missing in one line instead.
bool displayAvailable()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ||
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return false;
    // A local display ":N" is a socket of the X server; a remote one is taken on trust.
    const QRegularExpression local(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$"));
    const QRegularExpressionMatch match = local.match(display);
    return !match.hasMatch() ||
           QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + match.captured(1));
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "vintrex: no display to open the window on (DISPLAY is %s); "
                             "start it from a desktop session\n",
                     qEnvironmentVariableIsSet("DISPLAY") ? "not reachable" : "not set");
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
