#pragma once

class QString;

// The window, from the moment a display is known to be there until it is closed: gives the
// program's exit status. `startFolder` is the folder named on the command line, or empty.
// Where the system loads libraries on demand it lives in a library of its own (see
// windowlibrary.h).
extern "C" int vintrexRunWindow(int argc, char *argv[], const QString *startFolder);
