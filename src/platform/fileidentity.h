#pragma once

#include <QtGlobal>

// A file or folder as the system knows it, whatever its name.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FileIdentity &) const = default;
};
