#include "console.h"

#include "rawnames.h"

void attachToConsole() {}

QStringList programArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(textOfBytes(argv[i])); // a folder's name may be any bytes
    return arguments;
}

bool standardErrorTakesEscapes()
{
    return true;
}
