#pragma once

#include <QStringList>

// Where a purge from the command line prints. On Windows the program is a GUI program, which
// starts without a console: started from one, it writes to that console (in UTF-8), unless its
// output goes to a file or a pipe already. Elsewhere there is nothing to do.
void attachToConsole();

// The program's arguments as the system passed them: on Windows the wide command line, split as
// QCoreApplication::arguments() splits it (argv is only its lossy 8-bit copy there); elsewhere
// argv in the locale's encoding.
QStringList programArguments(int argc, char *argv[]);

// Whether standard error, a terminal, takes the escape code that clears the rest of a line; a
// progress line is padded with blanks where it does not.
bool standardErrorTakesEscapes();
