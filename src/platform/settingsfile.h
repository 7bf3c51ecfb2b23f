#pragma once

#include <QString>

// Which file a settings file named `path` may be read from and written to: the path itself when
// nothing is there yet or a regular file of at most `maxSize` bytes is, the file a symbolic link
// there leads to when that is such a file and the user's own (as dotfile managers link them),
// else nothing: a FIFO, a device, a dangling link, another user's file or a file too large to
// be settings is neither read nor rewritten.
QString usableSettingsFile(const QString &path, qint64 maxSize);
