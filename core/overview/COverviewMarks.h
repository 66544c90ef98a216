#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "COverviewRows.h"

// The marks of the overview, one bit each: a red line, a yellow line, a line holding
// the find text.
enum OverviewMark : unsigned { kMarkRed = 0, kMarkYellow = 1, kMarkFind = 2, kMarkKinds = 3 };
constexpr unsigned kAllMarks = (1u << kMarkKinds) - 1;

// Where each mark lies in one bucket of lines: its first and its last line, both none when
// no line of the bucket has it. The two ends are what make the rows exact: a row that starts
// inside a bucket holds a mark of it when the last one lies at or after the row's start,
// a row that ends inside it when the first one lies before the row's end.
struct BucketMarks {
    std::optional<std::int64_t> first[kMarkKinds];
    std::optional<std::int64_t> last[kMarkKinds];
};

// The marks of the displayed lines in buckets of a power of two lines each, as many as
// it takes for no bucket to be larger than a row of a strip of up to kMaxRows rows (so
// that the rows folded from them are exact), and few enough that folding them is cheap.
// Each kind of mark is known for a leading run of buckets; the rest read as unmarked.
class COverviewMarks {
public:
    // Rows are exact up to this strip height; a taller strip may show a mark one row off.
    static constexpr int kMaxRows = 4096;

    // Forgets every mark; the marks cover lines [0, lines) now.
    void Reset(std::int64_t lines);
    // Lines from firstChanged on are new or changed; the marks cover lines [0, lines) now.
    // The marks of the buckets before firstChanged's stay.
    void LinesAppended(std::int64_t firstChanged, std::int64_t lines);
    // Forgets the marks of kind (a new find text).
    void Forget(unsigned kind) { m_known[kind] = 0; }

    std::int64_t Lines() const { return m_nLines; }
    std::int64_t BucketLines() const { return m_nBucketLines; }
    std::size_t BucketCount() const { return m_buckets.size(); }
    // Buckets [0, Known(kind)) have their marks of kind.
    std::size_t Known(unsigned kind) const { return m_known[kind]; }
    bool Complete() const;
    // Marks computed for buckets [first, first + marks.size()), of the kinds in the kinds
    // bit set. Taken only where they continue the known run of a kind.
    void Add(std::size_t first, unsigned kinds, const std::vector<BucketMarks>& marks);
    // Per row of rows (which must cover Lines() lines): bit k set when a known mark of
    // kind k lies in the row's lines. out gets rows.Rows() entries.
    void Fold(const COverviewRows& rows, std::vector<std::uint8_t>& out) const;

private:
    // Merges pairs of neighbouring buckets until there are few enough.
    void Coarsen();
    std::size_t BucketsFor(std::int64_t lines) const {
        return static_cast<std::size_t>((lines + m_nBucketLines - 1) / m_nBucketLines);
    }

    std::int64_t m_nLines = 0;
    std::int64_t m_nBucketLines = 1;
    std::vector<BucketMarks> m_buckets;
    std::size_t m_known[kMarkKinds] = {};
};
