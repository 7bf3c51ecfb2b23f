#pragma once

// Between the Qt side of the program and the Windows deletion core.

#include "fileidentity.h"
#include "handlefolder.h"
#include "platformerror.h"

#include <QDir>

// Windows counts 100 ns ticks from 1601; the program counts nanoseconds from 1970.
constexpr qint64 kTicksTo1970 = 116444736000000000;

// The two kinds list the same cases in the same order.
static_assert(int(winfs::Kind::Other) == int(FileIdentity::Kind::Other));

// The volume serial number, the file ID and the creation time are the file; its size and last
// write go along.
inline FileIdentity toFileIdentity(const winfs::Identity &identity)
{
    return {.device = identity.volume,
            .inode = identity.fileId,
            .stamp = (identity.created - kTicksTo1970) * 100,
            .modified = (identity.modified - kTicksTo1970) * 100,
            .size = identity.size,
            .kind = FileIdentity::Kind(int(identity.kind))};
}

inline winfs::Identity toIdentity(const FileIdentity &identity)
{
    winfs::Identity out;
    out.volume = quint32(identity.device);
    out.fileId = identity.inode;
    out.created = identity.stamp / 100 + kTicksTo1970;
    out.modified = identity.modified / 100 + kTicksTo1970;
    out.size = identity.size;
    out.kind = winfs::Kind(int(identity.kind));
    return out;
}

// The path as Win32 calls take it.
inline std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

inline PlatformError systemError(const QString &what, unsigned long code)
{
    return PlatformError(QDir::toNativeSeparators(what), QString::fromStdWString(winfs::errorText(code)));
}
