#pragma once

#include <QString>

// Where the system loads libraries on demand (not on Windows, where the window is part of the
// program), the window lives in a library of its own: a purge from the command line then never
// loads the graphical libraries, and starts in half the time.
using WindowEntry = int (*)(int argc, char *argv[], const QString *startFolder);

// The window's library: beside the program in the build folder, else where it is installed.
// Empty, with `error` set, when neither place has it. (Neither function is built for Windows.)
QString findWindowLibrary(QString &error);

// The window's entry in that library; null, with `error` set, when it cannot be loaded.
WindowEntry loadWindowLibrary(const QString &path, QString &error);
