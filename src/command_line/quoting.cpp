#include "quoting.h"

namespace {

// The length of the UTF-8 sequence at `at` and its code point; 0 when it is not valid UTF-8
// (overlong, a surrogate, past U+10FFFF, cut short).
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

bool isControl(char32_t code)
{
    return code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0x2028 || code == 0x2029;
}

void appendEscape(QByteArray &out, unsigned char byte)
{
    static constexpr char kLetters[] = "abtnvfr"; // \a (7) to \r (13)
    out += '\\';
    if (byte >= 7 && byte <= 13) {
        out += kLetters[byte - 7];
    } else {
        out += char('0' + (byte >> 6));
        out += char('0' + ((byte >> 3) & 7));
        out += char('0' + (byte & 7));
    }
}

} // namespace

QByteArray printablePath(QByteArrayView bytes)
{
    bool plain = true;
    char32_t code = 0;
    for (qsizetype i = 0; i < bytes.size() && plain;) {
        const int length = utf8Sequence(bytes, i, code);
        plain = length > 0 && !isControl(code);
        i += length;
    }
    if (plain)
        return bytes.toByteArray();

    // Quoted text between single quotes; a run of bytes that cannot stand there goes into a
    // $'...' part of its own, and a quote is written as '\''.
    QByteArray out("'");
    bool escaping = false;
    for (qsizetype i = 0; i < bytes.size();) {
        int length = utf8Sequence(bytes, i, code);
        const bool escape = length == 0 || isControl(code);
        if (escape) {
            if (!escaping)
                out += "'$'";
            escaping = true;
            for (qsizetype end = i + (length > 0 ? length : 1); i < end; ++i)
                appendEscape(out, static_cast<unsigned char>(bytes[i]));
            continue;
        }
        if (escaping)
            out += "''";
        escaping = false;
        if (bytes[i] == '\'')
            out += "'\\''";
        else
            out.append(bytes.data() + i, length);
        i += length;
    }
    out += '\'';
    return out;
}
