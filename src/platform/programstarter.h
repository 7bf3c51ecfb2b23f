#pragma once

#include <QString>

// Starts another program without waiting for it. Tests replace it to see what would start.
class ProgramStarter
{
public:
    virtual ~ProgramStarter() = default;
    // A command line: a program path (which may hold blanks), or a program and its arguments.
    // False when nothing could be started.
    virtual bool startDetached(const QString &commandLine);
};

// True when path names a file that is neither a folder nor hidden.
bool ordinaryFileExists(const QString &path);
