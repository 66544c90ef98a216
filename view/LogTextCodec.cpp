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
    QString out;
    DecodeLogText(text, ReadingOf(text), out);
    return out;
}

void DecodeLogText(std::string_view text, TextReading reading, QString& out) {
    out.resize(0);
    if (reading == TextReading::Utf8) {
        ForEachCharacter(text, true, [&out](char32_t ch, std::size_t) {
            if (ch < 0x10000) {
                out.append(QChar(static_cast<char16_t>(ch)));
            } else {
                out.append(QChar::highSurrogate(ch));
                out.append(QChar::lowSurrogate(ch));
            }
            return true;
        });
        return;
    }
    out.resize(static_cast<qsizetype>(text.size()));
    QChar* q = out.data();
    for (const char c : text) *q++ = QChar(Windows1252ToUnicode(static_cast<unsigned char>(c)));
}

std::string EncodeWindows1252(std::string_view utf8) {
    std::string out;
    for (const char* p = utf8.data(); p < utf8.data() + utf8.size();) {
        const char32_t c = NextUtf8(p);
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        unsigned byte = 0x80;
        while (byte < 0xA0 && Windows1252ToUnicode(static_cast<unsigned char>(byte)) != c) ++byte;
        if (byte == 0xA0) return {};
        out.push_back(static_cast<char>(byte));
    }
    return out;
}
