#include "quoting.h"

#include "rawnames.h"

namespace {

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

QByteArray jsonString(QByteArrayView bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(bytes.size() + 2);
    out += '"';
    const auto escape = [&out](unsigned code) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += kHex[(code >> shift) & 0xF];
    };
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t code = 0;
        const int length = utf8Sequence(bytes, i, code);
        if (length == 0) {
            escape(0xDC00 + static_cast<unsigned char>(bytes[i]));
            ++i;
            continue;
        }
        if (code == '"' || code == '\\') {
            out += '\\';
            out += char(code);
        } else if (isControl(code)) {
            escape(unsigned(code));
        } else {
            out += bytes.sliced(i, length);
        }
        i += length;
    }
    out += '"';
    return out;
}
