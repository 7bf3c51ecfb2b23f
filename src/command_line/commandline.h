#pragma once

#include <QCommandLineParser>

// What the program is asked to do. The command line is read before any application object
// exists: the window needs a QApplication and a display, the purge from the command line, help
// and version neither.
class CommandLine
{
public:
    CommandLine(int argc, char *argv[]);

    // No option, and at most one folder that exists: the window is to open.
    bool opensWindow() const;
    // The folder the window is to open instead of the saved one, absolute; empty for none.
    QString windowFolder() const;

    // Everything but the window, with a QCoreApplication: help, version, a usage error (status
    // 2) or the purge of the folders named (0 when every one was purged, else 1).
    int run(int &argc, char *argv[]);

private:
    QString usageProblem() const;

    QCommandLineParser m_parser;
    bool m_parsed = false;
};
