#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Names typed on a command line are bytes, which need not be UTF-8. In a text each byte that is
// not part of UTF-8 stands as the unpaired surrogate U+DC80 + (byte - 0x80), as Python's
// "surrogateescape" keeps them, so that the very bytes can be given back to the system.
QString textOfBytes(QByteArrayView bytes);
QByteArray bytesOfText(QStringView text);

// The length of the UTF-8 sequence at `at` and its code point; 0 when it is not valid UTF-8
// (overlong, a surrogate, past U+10FFFF, cut short).
int utf8Sequence(QByteArrayView bytes, qsizetype at, char32_t &code);
