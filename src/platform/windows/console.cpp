#include "console.h"

#include <cstdio>
#include <cstdlib>
#include <io.h>

#include <windows.h>
#include <shellapi.h>

namespace {

bool hasHandle(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// The console is the parent's: its code page goes back as it was when the program ends.
UINT savedCodePage = 0;

void restoreCodePage()
{
    SetConsoleOutputCP(savedCodePage);
}

} // namespace

void attachToConsole()
{
    // Redirected output already has its handles; a console must be joined and opened by name.
    const bool output = hasHandle(STD_OUTPUT_HANDLE), error = hasHandle(STD_ERROR_HANDLE);
    if ((!output || !error) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!output)
            std::freopen("CONOUT$", "w", stdout);
        if (!error)
            std::freopen("CONOUT$", "w", stderr);
    }
    // Names are printed as UTF-8 bytes; the console shows them right only in that code page.
    const UINT codePage = GetConsoleOutputCP();
    if (codePage != 0 && codePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        savedCodePage = codePage;
        std::atexit(restoreCodePage);
    }
}

QStringList programArguments(int, char *[])
{
    QStringList arguments;
    int count = 0;
    if (wchar_t **words = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.append(QString::fromWCharArray(words[i]));
        LocalFree(words);
    }
    return arguments;
}

bool standardErrorTakesEscapes()
{
    // Windows 10's console clears a line on the escape code once asked to; older ones cannot.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stderr)));
    DWORD mode = 0;
    if (!GetConsoleMode(handle, &mode))
        return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
           SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}
