#include "COverviewMarks.h"

#include <algorithm>

void COverviewMarks::Reset(std::int64_t lines) {
    m_nLines = std::max<std::int64_t>(lines, 0);
    m_nBucketLines = 1;
    while (BucketsFor(m_nLines) > 2 * static_cast<std::size_t>(kMaxRows)) m_nBucketLines *= 2;
    m_buckets.assign(BucketsFor(m_nLines), BucketMarks{});
    std::fill(std::begin(m_known), std::end(m_known), 0);
}

void COverviewMarks::LinesAppended(std::int64_t firstChanged, std::int64_t lines) {
    const auto kept =
        static_cast<std::size_t>(std::max<std::int64_t>(firstChanged, 0) / m_nBucketLines);
    for (std::size_t& known : m_known) known = std::min(known, kept);
    m_nLines = std::max<std::int64_t>(lines, 0);
    Coarsen();
    m_buckets.resize(BucketsFor(m_nLines));
    for (std::size_t& known : m_known) known = std::min(known, m_buckets.size());
}

void COverviewMarks::Coarsen() {
    while (BucketsFor(m_nLines) > 2 * static_cast<std::size_t>(kMaxRows)) {
        const std::size_t pairs = (m_buckets.size() + 1) / 2;
        for (std::size_t j = 0; j < pairs; ++j) {
            BucketMarks merged = m_buckets[2 * j];
            if (2 * j + 1 < m_buckets.size()) {
                const BucketMarks& second = m_buckets[2 * j + 1];
                for (unsigned k = 0; k < kMarkKinds; ++k) {
                    if (!merged.first[k]) merged.first[k] = second.first[k];
                    if (second.last[k]) merged.last[k] = second.last[k];
                }
            }
            m_buckets[j] = merged;
        }
        m_buckets.resize(pairs);
        // A pair is known only when both of its buckets were.
        for (std::size_t& known : m_known) known /= 2;
        m_nBucketLines *= 2;
    }
}

bool COverviewMarks::Complete() const {
    return std::all_of(std::begin(m_known), std::end(m_known),
                       [this](std::size_t known) { return known >= m_buckets.size(); });
}

void COverviewMarks::Add(std::size_t first, unsigned kinds, const std::vector<BucketMarks>& marks) {
    if (first + marks.size() > m_buckets.size()) return;
    for (unsigned k = 0; k < kMarkKinds; ++k) {
        if ((kinds & (1u << k)) == 0 || first > m_known[k]) continue;
        for (std::size_t j = 0; j < marks.size(); ++j) {
            m_buckets[first + j].first[k] = marks[j].first[k];
            m_buckets[first + j].last[k] = marks[j].last[k];
        }
        m_known[k] = std::max(m_known[k], first + marks.size());
    }
}

void COverviewMarks::Fold(const COverviewRows& rows, std::vector<std::uint8_t>& out) const {
    out.assign(static_cast<std::size_t>(rows.Rows()), 0);
    const int used = rows.UsedRows();
    for (int r = 0; r < used; ++r) {
        const std::int64_t a = rows.FirstLine(r);
        const std::int64_t b = rows.EndLine(r);
        std::uint8_t bits = 0;
        const auto last = static_cast<std::size_t>((b - 1) / m_nBucketLines);
        for (auto j = static_cast<std::size_t>(a / m_nBucketLines);
             j <= last && j < m_buckets.size() && bits != kAllMarks; ++j) {
            const BucketMarks& bucket = m_buckets[j];
            for (unsigned k = 0; k < kMarkKinds; ++k) {
                if (j < m_known[k] && bucket.first[k] && *bucket.first[k] < b &&
                    *bucket.last[k] >= a)
                    bits = static_cast<std::uint8_t>(bits | (1u << k));
            }
        }
        out[static_cast<std::size_t>(r)] = bits;
    }
}
