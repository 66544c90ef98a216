#include "LocaleFormats.h"

#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string_view>

namespace {

LocaleFormats& ProcessFormats() {
    static LocaleFormats formats = [] {
        LocaleFormats f;
        f.BuildDerived();
        return f;
    }();
    return formats;
}

DisplayPiece Literal(const std::string& text) {
    DisplayPiece p;
    p.literal = text;
    return p;
}

DisplayPiece Number(DisplayPiece::Field field, int width, bool zeroPad) {
    DisplayPiece p;
    p.field = field;
    p.width = width;
    p.zeroPad = zeroPad;
    return p;
}

// Expands the composite conversions the C library's formats use into plain ones and
// drops the E and O modifiers, so that each field is one conversion.
std::string ExpandFormat(std::string_view format) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out.push_back(format[i]);
            continue;
        }
        std::size_t j = i + 1;
        std::string flags;
        while (j < format.size() && (format[j] == '-' || format[j] == '_' || format[j] == '0' ||
                                     format[j] == '^' || format[j] == '#')) {
            flags.push_back(format[j++]);
        }
        if (j < format.size() && (format[j] == 'E' || format[j] == 'O')) ++j;
        if (j >= format.size()) break;
        switch (format[j]) {
            case 'D':
                out += "%m/%d/%y";
                break;
            case 'F':
                out += "%Y-%m-%d";
                break;
            case 'T':
                out += "%H:%M:%S";
                break;
            case 'r':
                out += "%I:%M:%S %p";
                break;
            case 'R':
                out += "%H:%M";
                break;
            default:
                out += '%' + flags + format[j];
                break;
        }
        i = j;
    }
    return out;
}

struct Conversion {
    char letter;
    bool noLeadingZero;
    std::size_t begin;  // position of '%'
    std::size_t end;    // one past the conversion letter
};

std::vector<Conversion> Conversions(const std::string& format) {
    std::vector<Conversion> out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) continue;
        std::size_t j = i + 1;
        if (format[j] == '%') {
            i = j;
            continue;
        }
        bool noZero = false;
        while (j < format.size() && (format[j] == '-' || format[j] == '_' || format[j] == '0' ||
                                     format[j] == '^' || format[j] == '#')) {
            if (format[j] == '-' || format[j] == '_') noZero = true;
            ++j;
        }
        if (j >= format.size()) break;
        const char c = format[j];
        if (c == 'e' || c == 'k' || c == 'l') noZero = true;
        out.push_back({c, noZero, i, j + 1});
        i = j;
    }
    return out;
}

// The literal text between two conversions, with "%%" read as one '%'.
std::string Between(const std::string& format, const Conversion& a, const Conversion& b) {
    std::string text = format.substr(a.end, b.begin - a.end);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out.push_back(text[i]);
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
    }
    return out;
}

bool ParseFlag(std::string_view text, int& out) {
    if (text == "0" || text == "1") {
        out = text[0] - '0';
        return true;
    }
    return false;
}

std::vector<std::string> SplitSemicolons(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t pos = text.find(';', start);
        parts.push_back(
            text.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
        if (pos == std::string::npos) break;
        start = pos + 1;
    }
    return parts;
}

LocaleValues ValuesOfLocale(locale_t loc) {
    return LocaleValuesFromFormats(nl_langinfo_l(D_FMT, loc), nl_langinfo_l(T_FMT, loc));
}

void ApplyOverride(const char* variable, LocaleValues& values) {
    const char* text = std::getenv(variable);
    if (text == nullptr) return;
    if (!ParseLocaleOverride(text, values)) {
        std::fprintf(stderr,
                     "trawlview: ignoring %s=\"%s\": expected ORDER;DATESEP;TIMESEP"
                     "[;HOURZERO;DAYZERO;MONTHZERO], e.g. DMY;.;:\n",
                     variable, text);
    }
}

}  // namespace

std::string DisplayFormat::ToPrintfForm() const {
    std::string out;
    for (const DisplayPiece& piece : pieces) {
        if (piece.field == DisplayPiece::Field::Literal) {
            for (char c : piece.literal) out += c == '%' ? std::string("%%") : std::string(1, c);
        } else {
            out += piece.zeroPad ? "%0" : "%";
            out += std::to_string(piece.width) + "d";
        }
    }
    return out;
}

void LocaleFormats::BuildDerived() {
    using F = DisplayPiece::Field;
    const DisplayPiece month = Number(F::Month, 2, userMonthLeadingZero != 0);
    const DisplayPiece day = Number(F::Day, 2, userDayLeadingZero != 0);
    const DisplayPiece year = Number(F::Year, 4, true);
    const DisplayPiece date[3][3] = {{month, day, year}, {day, month, year}, {year, month, day}};
    const char* sampleDigits[3][3] = {
        {"23", "45", "6789"}, {"45", "23", "6789"}, {"6789", "45", "23"}};
    int order = static_cast<int>(userDateOrder);
    if (order < 0 || order > 2) order = 0;

    displayFormat.pieces.clear();
    timestampSample.clear();
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            displayFormat.pieces.push_back(Literal(userDateSeparator));
            timestampSample += userDateSeparator;
        }
        displayFormat.pieces.push_back(date[order][i]);
        timestampSample += sampleDigits[order][i];
    }
    displayFormat.pieces.push_back(Literal(" "));
    displayFormat.pieces.push_back(Number(F::Hour, 2, userHourLeadingZero != 0));
    displayFormat.pieces.push_back(Literal(userTimeSeparator));
    displayFormat.pieces.push_back(Number(F::Minute, 2, true));
    displayFormat.pieces.push_back(Literal(userTimeSeparator));
    displayFormat.pieces.push_back(Number(F::Second, 2, true));
    timestampSample += " 00" + userTimeSeparator + "00" + userTimeSeparator + "00 - ";
}

LocaleFormats MakeLocaleFormats(const LocaleValues& user, const LocaleValues& system) {
    LocaleFormats f;
    f.userDateSeparator = user.dateSeparator;
    f.userTimeSeparator = user.timeSeparator;
    f.userDateOrder = user.order;
    f.userHourLeadingZero = user.hourLeadingZero;
    f.userDayLeadingZero = user.dayLeadingZero;
    f.userMonthLeadingZero = user.monthLeadingZero;
    f.systemDateSeparator = system.dateSeparator;
    f.systemTimeSeparator = system.timeSeparator;
    f.systemDateOrder = system.order;
    f.BuildDerived();
    return f;
}

std::string SystemLocaleName(const std::vector<std::string>& files) {
    for (const std::string& path : files) {
        // Only a regular file: a FIFO in its place would stop the start-up for ever.
        struct stat st {};
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        std::ifstream in(path);
        if (!in) continue;
        std::string all, time, lang, line;
        while (std::getline(in, line)) {
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            while (!key.empty() && (key.front() == ' ' || key.front() == '\t')) key.erase(0, 1);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            if (key == "LC_ALL") all = value;
            if (key == "LC_TIME") time = value;
            if (key == "LANG") lang = value;
        }
        // LC_ALL overrides every category, LC_TIME overrides LANG for dates and times.
        for (const std::string* name : {&all, &time, &lang}) {
            if (!name->empty()) return *name;
        }
    }
    return "C";
}

LocaleValues LocaleValuesFromFormats(const std::string& dateFormat, const std::string& timeFormat) {
    LocaleValues v;
    const std::string date = ExpandFormat(dateFormat);
    std::vector<Conversion> dateFields;
    for (const Conversion& c : Conversions(date)) {
        if (std::string_view("dembBhyYG").find(c.letter) != std::string_view::npos) {
            dateFields.push_back(c);
        }
    }
    if (dateFields.size() >= 3) {
        auto kind = [](char c) {
            return c == 'd' || c == 'e' ? 'd' : (c == 'y' || c == 'Y' || c == 'G') ? 'y' : 'm';
        };
        const char first = kind(dateFields[0].letter);
        v.order = first == 'm' ? DateOrder::MDY : first == 'd' ? DateOrder::DMY : DateOrder::YMD;
        v.dateSeparator = Between(date, dateFields[0], dateFields[1]);
        for (const Conversion& c : dateFields) {
            if (kind(c.letter) == 'd') v.dayLeadingZero = c.noLeadingZero ? 0 : 1;
            if (kind(c.letter) == 'm') v.monthLeadingZero = c.noLeadingZero ? 0 : 1;
        }
    }
    const std::string time = ExpandFormat(timeFormat);
    std::vector<Conversion> timeFields;
    for (const Conversion& c : Conversions(time)) {
        if (std::string_view("HIklMS").find(c.letter) != std::string_view::npos) {
            timeFields.push_back(c);
        }
    }
    if (timeFields.size() >= 2) {
        v.timeSeparator = Between(time, timeFields[0], timeFields[1]);
        for (const Conversion& c : timeFields) {
            if (std::string_view("HIkl").find(c.letter) != std::string_view::npos) {
                v.hourLeadingZero = c.noLeadingZero ? 0 : 1;
            }
        }
    }
    return v;
}

bool ParseLocaleOverride(const std::string& text, LocaleValues& out) {
    const std::vector<std::string> parts = SplitSemicolons(text);
    if (parts.size() != 3 && parts.size() != 6) return false;
    LocaleValues v;
    if (parts[0] == "MDY") {
        v.order = DateOrder::MDY;
    } else if (parts[0] == "DMY") {
        v.order = DateOrder::DMY;
    } else if (parts[0] == "YMD") {
        v.order = DateOrder::YMD;
    } else {
        return false;
    }
    v.dateSeparator = parts[1];
    v.timeSeparator = parts[2];
    if (parts.size() == 6 &&
        !(ParseFlag(parts[3], v.hourLeadingZero) && ParseFlag(parts[4], v.dayLeadingZero) &&
          ParseFlag(parts[5], v.monthLeadingZero))) {
        return false;
    }
    out = v;
    return true;
}

const LocaleFormats& GetLocaleFormats() {
    return ProcessFormats();
}

void SetLocaleFormats(const LocaleFormats& formats) {
    ProcessFormats() = formats;
}

void LoadLocaleFormats() {
    LocaleValues user = LocaleValuesFromFormats(nl_langinfo(D_FMT), nl_langinfo(T_FMT));

    LocaleValues system;
    locale_t loc = newlocale(LC_TIME_MASK,
                             SystemLocaleName({"/etc/default/locale", "/etc/locale.conf"}).c_str(),
                             static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) {
        loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    }
    if (loc != static_cast<locale_t>(0)) {
        system = ValuesOfLocale(loc);
        freelocale(loc);
    }

    ApplyOverride("TRAWLVIEW_USER_LOCALE", user);
    ApplyOverride("TRAWLVIEW_SYSTEM_LOCALE", system);
    SetLocaleFormats(MakeLocaleFormats(user, system));
}

std::string FormatLocalTime(std::time_t moment, const char* format) {
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) return {};
    char text[256];
    const std::size_t n = std::strftime(text, sizeof text, format, &local);
    return std::string(text, n);
}
