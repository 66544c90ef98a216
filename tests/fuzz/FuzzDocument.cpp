// The document's load, cut and rebuild on arbitrary bytes with arbitrary filter lists,
// checked against a plain reading of the line rules, and the export's block-by-block
// stream checked against the document.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "CFilterMatcher.h"
#include "CLineStream.h"
#include "CTrawlviewDoc.h"
#include "FakeDocumentHost.h"
#include "FakeTextMeasurer.h"
#include "FuzzInput.h"
#include "LogLine.h"
#include "StreamedText.h"

namespace {

struct Span {
    std::size_t start;
    std::size_t length;
};

// The lines of a file, one byte at a time: CR or CR LF ends a line; a NUL ends one and
// the next starts at the first byte that is neither a control byte nor 0x80 or above.
std::vector<Span> PlainLines(std::string_view bytes) {
    std::vector<Span> out;
    std::size_t p = 0;
    const std::size_t n = bytes.size();
    while (p < n) {
        std::size_t e = p;
        while (e < n && bytes[e] != '\r' && bytes[e] != '\0') ++e;
        if (e > p) out.push_back({p, e - p});
        if (e == n) break;
        p = e + 1;
        if (bytes[e] == '\r') {
            if (p < n && bytes[p] == '\n') ++p;
        } else {
            while (p < n && static_cast<signed char>(bytes[p]) < 0x20) ++p;
        }
    }
    return out;
}

bool PassesEveryFilter(const FilterList& list, std::string_view line, bool excludeInvalid,
                       const LocaleFormats& formats) {
    for (const LogFilter& filter : list) {
        if (!Matches(filter, line, excludeInvalid, formats)) return false;
    }
    return true;
}

std::vector<std::string_view> Displayed(const CTrawlviewDoc& doc) {
    std::vector<std::string_view> out;
    for (LineIndex i = 0; i < doc.GetLineCount(); ++i) out.push_back(doc.GetLine(i));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    static FakeDocumentHost host;
    // One document for every run, as a window reloads: the buffer of the last load is
    // reused when it fits.
    static CTrawlviewDoc doc(host, nullptr);

    FuzzInput in(data, size);
    const LocaleValues user = in.Locale();
    const std::uint8_t flags = in.Byte();
    if (flags & 1) {
        SetLocaleFormats(MakeLocaleFormats(user, in.Locale()));
    } else {
        SetLocaleFormats(MakeLocaleFormats(user, {}));  // "/" and ":" as most logs are written
    }
    const LocaleFormats& formats = GetLocaleFormats();
    const bool excludeInvalid = (flags & 2) != 0;
    std::optional<FakeTextMeasurer> measurer;
    if (flags & 4) measurer.emplace(1 + (flags >> 5), (flags & 8) != 0);
    const std::size_t block = 1 + in.Byte() % 64;
    FilterList filters;
    for (int n = in.Byte() % 5; n > 0; --n) {
        const auto kind = static_cast<FilterKind>(in.Byte() % 5);
        filters.Append(in.Text(40), kind, formats);
    }
    const std::string_view bytes = in.Rest();
    file.Write(bytes);

    std::optional<CFilterMatcher> matcher;
    if (!filters.empty()) matcher.emplace(filters, excludeInvalid, formats);
    host.filter = matcher ? &*matcher : nullptr;
    host.excludeInvalid = excludeInvalid;
    doc.SetMeasurer(measurer ? &*measurer : nullptr);
    FUZZ_CHECK(doc.LoadLogFile(file.Path()));
    FUZZ_CHECK(doc.GetFileSize().value() == bytes.size());

    // The displayed lines are exactly the lines that pass every filter and show a
    // non-empty text, at their places in the buffer.
    std::vector<Span> expected;
    for (const Span& s : PlainLines(bytes)) {
        const std::string_view line = bytes.substr(s.start, s.length);
        if (!PassesEveryFilter(filters, line, excludeInvalid, formats)) continue;
        if (GetDisplayText(line, excludeInvalid, formats).empty()) continue;
        expected.push_back(s);
    }
    const std::vector<std::string_view> lines = Displayed(doc);
    FUZZ_CHECK(lines.size() == expected.size());
    const char* const base = lines.empty() ? nullptr : lines[0].data() - expected[0].start;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(!lines[i].empty());
        FUZZ_CHECK(lines[i].data() == base + expected[i].start &&
                   lines[i].size() == expected[i].length);
        FUZZ_CHECK(std::memcmp(lines[i].data(), bytes.data() + expected[i].start,
                               expected[i].length) == 0);
        FUZZ_CHECK(doc.GetLineLength(static_cast<LineIndex>(i)) == expected[i].length);
    }

    // The widest line is the first of the greatest width, or none when nothing shows.
    const std::optional<LineIndex> widest = doc.GetWidestLine();
    FUZZ_CHECK(!widest || (*widest >= 0 && *widest < doc.GetLineCount()));
    FUZZ_CHECK(!widest == (doc.GetLineCount() == 0));
    std::int64_t maxWidth = 0;
    std::optional<LineIndex> first;
    for (LineIndex i = 0; i < doc.GetLineCount(); ++i) {
        const std::int64_t w = doc.GetLineWidth(i);
        FUZZ_CHECK(w > 0);
        if (w > maxWidth) {
            maxWidth = w;
            first = i;
        }
    }
    FUZZ_CHECK(widest == first);
    if (!lines.empty())
        FUZZ_CHECK(
            doc.GetDisplayText(*widest) ==
            GetDisplayText(lines[static_cast<std::size_t>(*widest)], excludeInvalid, formats));

    // A second rebuild gives the same lines.
    doc.RebuildDisplay();
    FUZZ_CHECK(Displayed(doc) == lines);
    FUZZ_CHECK(doc.GetWidestLine() == widest);

    // The export's stream, reading the file in small blocks, selects the same lines.
    CLineSelector selector(host.filter, excludeInvalid, formats);
    CLineStream stream(block);
    StreamedLines streamed;
    FUZZ_CHECK(
        stream.Run(selector, bytes.size(), TextSource{bytes},
                   [&](std::string_view piece, bool ends) { return streamed(piece, ends); }));
    FUZZ_CHECK(
        std::equal(streamed.lines.begin(), streamed.lines.end(), lines.begin(), lines.end()));
    return 0;
}
