#include "commandline.h"
#include "console.h"
#include "display.h"
#include "folderreader.h"
#include "windowlibrary.h"
#include "windowmain.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>

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

    setUpHeapsForReading();

    QString error;
#ifdef Q_OS_WIN
    const WindowEntry run = vintrexRunWindow;
#else
    const QString library = findWindowLibrary(error);
    if (library.isEmpty()) {
        std::fprintf(stderr, "vintrex: %s\n", qPrintable(error));
        return EXIT_FAILURE;
    }
#endif
    if (!displayAvailable()) {
        std::fprintf(stderr, "vintrex: no display to open the window on (DISPLAY is %s); "
                             "start it from a desktop session\n",
                     qEnvironmentVariableIsEmpty("DISPLAY") ? "not set" : "not reachable");
        return EXIT_FAILURE;
    }
#ifndef Q_OS_WIN
    const WindowEntry run = loadWindowLibrary(library, error);
    if (!run) {
        std::fprintf(stderr, "vintrex: %s\n", qPrintable(error));
        return EXIT_FAILURE;
    }
#endif
    const QString startFolder = commandLine.windowFolder();
    return run(argc, argv, &startFolder);
}
