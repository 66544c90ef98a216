// The display text of a raw line, and the display format, under locale descriptors read
// from arbitrary text: the override variables' form and the C library's format form.
#include <cstdio>

#include "FuzzInput.h"
#include "LogLine.h"

namespace {

void CheckLine(std::string_view raw, const LocaleFormats& formats) {
    for (const bool excludeInvalid : {false, true}) {
        const DisplayLayout layout = LayoutDisplayText(raw, excludeInvalid, formats);
        const std::string text = GetDisplayText(raw, excludeInvalid, formats);
        FUZZ_CHECK(layout.tailStart <= raw.size());
        FUZZ_CHECK(text.size() == layout.Length(raw.size()));
        std::string head;
        std::size_t tailStart = 0;
        SplitDisplayText(raw, excludeInvalid, head, tailStart, formats);
        FUZZ_CHECK(tailStart == layout.tailStart);
        FUZZ_CHECK(head.size() == layout.headLength);
        FUZZ_CHECK(text == head + std::string(raw.substr(tailStart)));
        const bool readable = ParseTimestamp(raw, true, nullptr, formats);
        if (layout.reformatted) {
            FUZZ_CHECK(readable);
            FUZZ_CHECK(layout.time.IsValid());
            FUZZ_CHECK(head == layout.time.FormatForDisplay(formats));
        } else if (readable || !excludeInvalid) {
            FUZZ_CHECK(text == raw);
        } else {
            FUZZ_CHECK(text.empty());
        }
    }
}

// The printf form of the display format gives the same text as the pieces do.
void CheckPrintfForm(const LogTime& t, const LocaleFormats& formats) {
    const std::string expected = t.FormatForDisplay(formats);
    FUZZ_CHECK(expected.size() == formats.displayFormat.FormattedLength(t));
    int values[6] = {};
    int n = 0;
    for (const DisplayPiece& piece : formats.displayFormat.pieces) {
        if (piece.field == DisplayPiece::Field::Literal) continue;
        FUZZ_CHECK(n < 6);
        switch (piece.field) {
            case DisplayPiece::Field::Year:
                values[n++] = t.year;
                break;
            case DisplayPiece::Field::Month:
                values[n++] = t.month;
                break;
            case DisplayPiece::Field::Day:
                values[n++] = t.day;
                break;
            case DisplayPiece::Field::Hour:
                values[n++] = t.hour;
                break;
            case DisplayPiece::Field::Minute:
                values[n++] = t.minute;
                break;
            case DisplayPiece::Field::Second:
                values[n++] = t.second;
                break;
            case DisplayPiece::Field::Literal:
                break;
        }
    }
    FUZZ_CHECK(n == 6);
    const std::string form = formats.displayFormat.ToPrintfForm();
    std::string written(expected.size() + 1, '\0');
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::snprintf(written.data(), written.size(), form.c_str(), values[0],
                                     values[1], values[2], values[3], values[4], values[5]);
#pragma GCC diagnostic pop
    FUZZ_CHECK(length == static_cast<int>(expected.size()));
    written.resize(static_cast<std::size_t>(length));
    FUZZ_CHECK(written == expected);
}

// Locale descriptors come from environment variables and the C library: C strings.
std::string CString(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

std::int32_t Field(FuzzInput& in) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | in.Byte();
    return static_cast<std::int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    // The user locale from an override text or from C library formats, the system locale
    // from an override text; malformed texts leave the defaults.
    LocaleValues user;
    LocaleValues system;
    const std::uint8_t how = in.Byte();
    if (how & 1) {
        ParseLocaleOverride(CString(in.Text(40)), user);
    } else {
        const std::string dateFormat = CString(in.Text(24));
        user = LocaleValuesFromFormats(dateFormat, CString(in.Text(24)));
    }
    if (how & 2) {
        ParseLocaleOverride(CString(in.Text(40)), system);
    } else {
        system = in.Locale();
    }
    const LocaleFormats formats = MakeLocaleFormats(user, system);
    FUZZ_CHECK(!formats.displayFormat.empty());

    LogTime t;
    t.year = Field(in);
    t.month = Field(in);
    t.day = Field(in);
    t.hour = Field(in);
    t.minute = Field(in);
    t.second = Field(in);
    CheckPrintfForm(t, formats);

    CheckLine(in.Rest(), formats);
    return 0;
}
