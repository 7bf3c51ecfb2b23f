#pragma once

#include <QByteArray>
#include <QByteArrayView>

// A path as printed for a person or a script reading lines: the bytes as they are when they are
// UTF-8 without control characters, else quoted as GNU coreutils' shell-escape style quotes a
// name ('a'$'\n''b', '\303'$'\377'), so that every path printed is one line, nothing in it can
// drive a terminal, and a shell reads it back as the very name.
QByteArray printablePath(QByteArrayView bytes);

// A JSON string of a name or a path given as bytes: UTF-8 as it is, control characters, C1
// controls and the line and paragraph separators escaped; a byte that is not UTF-8 is written
// as the lone surrogate \udc80-\udcff, as Python's surrogateescape reads it back into the byte.
QByteArray jsonString(QByteArrayView bytes);
