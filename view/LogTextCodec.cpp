#include "LogTextCodec.h"

#include <array>

char16_t Windows1252ToUnicode(unsigned char byte) {
    static constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
    };
    if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80u];
    return byte;
}

QString DecodeLogText(std::string_view text) {
    if (IsAscii(text)) return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return DecodeLogText(text, IsValidUtf8(text));
}

QString DecodeLogText(std::string_view text, bool utf8) {
    if (utf8) return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* q = out.data();
    for (const char c : text) *q++ = QChar(Windows1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}
