// The filter-file reader on arbitrary bytes, then the list operations on what it read.
#include <vector>

#include "CFilterMatcher.h"
#include "FilterFileReader.h"
#include "FilterList.h"
#include "FuzzInput.h"

namespace {

struct Record {
    FilterKind kind;
    std::string_view text;
};

// The records of a filter file as its format describes them.
std::vector<Record> ExpectedRecords(std::string_view bytes) {
    std::vector<Record> out;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        // By FilterKind's value; the blank stands for Unset, which no record is.
        const std::string_view kinds = "EIFP XR";
        const std::size_t k = line[0] == ' ' ? std::string_view::npos : kinds.find(line[0]);
        if (k == std::string_view::npos) continue;
        out.push_back({static_cast<FilterKind>(k), line.substr(1)});
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    static const LocaleFormats formats = MakeLocaleFormats({}, {});
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    file.Write(bytes);

    FilterList list;
    list.Append("replaced", FilterKind::IncludeString, formats);
    std::string error;
    FUZZ_CHECK(FilterFileReader::Read(file.Path(), list, error, formats) ==
               FilterFileReader::Result::Ok);

    const std::vector<Record> expected = ExpectedRecords(bytes);
    FUZZ_CHECK(list.size() == expected.size());
    for (std::size_t n = 0; n < list.size(); ++n) {
        const LogFilter& filter = list[n];
        FUZZ_CHECK(filter.kind == expected[n].kind && filter.text == expected[n].text);
        FUZZ_CHECK(filter.from.has_value() == IsIntervalKind(filter.kind) &&
                   filter.to.has_value() == IsIntervalKind(filter.kind));
    }

    // A list built again by appending holds the same filters.
    FilterList rebuilt;
    for (const Record& r : expected) rebuilt.Append(r.text, r.kind, formats);
    FUZZ_CHECK(rebuilt == list);

    // The prepared matcher decides like the filters one by one, on the records' own texts.
    for (const bool excludeInvalid : {false, true}) {
        const CFilterMatcher matcher(list, excludeInvalid, formats);
        for (std::size_t i = 0; i < expected.size() && i < 16; ++i) {
            const std::string line(expected[i].text);
            bool passes = true;
            for (const LogFilter& filter : list)
                passes = passes && Matches(filter, line, excludeInvalid, formats);
            FUZZ_CHECK(matcher.Passes(line) == passes);
        }
    }

    // Removing takes the first equal filter of a copy and nothing else; the original list
    // is untouched.
    FilterList copy = list;
    if (!expected.empty()) {
        const Record& gone = expected[size % expected.size()];
        std::size_t first = 0;
        while (expected[first].kind != gone.kind || expected[first].text != gone.text) ++first;
        FUZZ_CHECK(copy.Remove(gone.text, gone.kind));
        FUZZ_CHECK(copy.size() + 1 == expected.size());
        for (std::size_t i = 0, k = 0; i < expected.size(); ++i) {
            if (i == first) continue;
            FUZZ_CHECK(copy[k].kind == expected[i].kind && copy[k].text == expected[i].text);
            ++k;
        }
        FUZZ_CHECK(rebuilt == list);
    }
    FUZZ_CHECK(!copy.Remove("\x01 never in a record", FilterKind::Unset));
    return 0;
}
