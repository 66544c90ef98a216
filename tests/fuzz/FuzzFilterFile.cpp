// The filter-file reader on arbitrary bytes, then the list operations on what it read.
#include <vector>

#include "CFilterMatcher.h"
#include "FilterFileReader.h"
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
        const std::string_view kinds = "EIFP";
        const std::size_t k = kinds.find(line[0]);
        if (k == std::string_view::npos) continue;
        out.push_back({static_cast<FilterKind>(k), line.substr(1)});
    }
    return out;
}

bool IsInterval(FilterKind kind) {
    return kind == FilterKind::ExcludeInterval || kind == FilterKind::IncludeInterval;
}

// Same texts, kinds and interval ends, in the same order, in separate nodes.
void CheckSame(const LogFilter* a, const LogFilter* b) {
    for (; a != nullptr && b != nullptr; a = a->next.get(), b = b->next.get()) {
        FUZZ_CHECK(a != b);
        FUZZ_CHECK(a->text == b->text && a->kind == b->kind);
        FUZZ_CHECK((a->from == nullptr) == (b->from == nullptr) &&
                   (a->to == nullptr) == (b->to == nullptr));
        if (a->from) FUZZ_CHECK(a->from.get() != b->from.get() && *a->from == *b->from);
        if (a->to) FUZZ_CHECK(a->to.get() != b->to.get() && *a->to == *b->to);
    }
    FUZZ_CHECK(a == nullptr && b == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    static const LocaleFormats formats = MakeLocaleFormats({}, {});
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    file.Write(bytes);

    FilterList list;
    AppendFilter(list, "replaced", FilterKind::IncludeString, formats);
    std::string error;
    FUZZ_CHECK(FilterFileReader::Read(file.Path(), list, error, formats) ==
               FilterFileReader::Result::Ok);

    const std::vector<Record> expected = ExpectedRecords(bytes);
    std::size_t n = 0;
    for (const LogFilter* node = list.get(); node != nullptr; node = node->next.get(), ++n) {
        FUZZ_CHECK(n < expected.size());
        FUZZ_CHECK(node->kind == expected[n].kind && node->text == expected[n].text);
        FUZZ_CHECK((node->from != nullptr) == IsInterval(node->kind) &&
                   (node->to != nullptr) == IsInterval(node->kind));
    }
    FUZZ_CHECK(n == expected.size());

    // A copy and a list built again by appending hold the same filters.
    FilterList copy = CopyFilterList(list.get());
    CheckSame(list.get(), copy.get());
    FilterList rebuilt;
    for (const Record& r : expected) AppendFilter(rebuilt, r.text, r.kind, formats);
    CheckSame(list.get(), rebuilt.get());

    // The prepared matcher decides like the nodes one by one, on the records' own texts.
    for (const bool excludeInvalid : {false, true}) {
        const CFilterMatcher matcher(list.get(), excludeInvalid, formats);
        for (std::size_t i = 0; i < expected.size() && i < 16; ++i) {
            const std::string line(expected[i].text);
            bool passes = true;
            for (const LogFilter* node = list.get(); node != nullptr && passes;
                 node = node->next.get()) {
                passes = Matches(*node, line, excludeInvalid, formats);
            }
            FUZZ_CHECK(matcher.Passes(line) == passes);
        }
    }

    // Unlinking removes the first equal node of the copy and nothing else; the original
    // list is untouched.
    if (!expected.empty()) {
        const Record& gone = expected[size % expected.size()];
        std::size_t first = 0;
        while (expected[first].kind != gone.kind || expected[first].text != gone.text) ++first;
        UnlinkFilter(copy, gone.text, gone.kind);
        const LogFilter* node = copy.get();
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (i == first) continue;
            FUZZ_CHECK(node != nullptr && node->kind == expected[i].kind &&
                       node->text == expected[i].text);
            node = node->next.get();
        }
        FUZZ_CHECK(node == nullptr);
        CheckSame(list.get(), rebuilt.get());
    }
    UnlinkFilter(copy, "\x01 never in a record", FilterKind::Unset);
    FreeFilterList(copy);
    FUZZ_CHECK(copy == nullptr);
    return 0;
}
