#include "LogTextCodec.h"

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
