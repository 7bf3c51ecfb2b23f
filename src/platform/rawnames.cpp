#include "rawnames.h"

int utf8Sequence(QByteArrayView bytes, qsizetype at, char32_t &code)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char first = byte(at);
    if (first < 0x80) {
        code = first;
        return 1;
    }
    const int length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 0;
    if (length == 0 || at + length > bytes.size())
        return 0;
    code = first & (0x3F >> (length - 1));
    for (int i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

QString textOfBytes(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    char32_t code = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = utf8Sequence(bytes, i, code);
        if (length == 0) {
            text += QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        text += QString::fromUcs4(&code, 1);
        i += length;
    }
    return text;
}

QByteArray bytesOfText(QStringView text)
{
    QByteArray bytes;
    qsizetype start = 0; // of the text not yet given as bytes
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        // A byte that was not UTF-8, unless it is the second half of a character's pair.
        if (unit < 0xDC80 || unit > 0xDCFF || (i > 0 && text[i - 1].isHighSurrogate()))
            continue;
        bytes += text.mid(start, i - start).toUtf8();
        bytes += char(unit - 0xDC00);
        start = i + 1;
    }
    return start == 0 ? text.toUtf8() : bytes + text.mid(start).toUtf8();
}
