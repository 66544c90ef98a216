#pragma once

#include <compare>
#include <cstdint>

// Index of a displayed line, a count of lines, and a byte offset into the file are all
// 64-bit: files over 4 GiB and over 2^31 lines are sizes like any other.
//
// A displayed line's index is a plain number: the view computes with it and pixel rows
// all the time. The numbers of other kinds that meet it at the document's interface are
// of types of their own, so that one is never taken for the other unnoticed.
using LineIndex = std::int64_t;

// A number of the kind Tag names, held as a Rep. Made only explicitly from a Rep and read
// back with value(); it compares with numbers of its own kind and does no arithmetic, so
// it neither mixes with a number of another kind nor is shifted by one by mistake.
template <class Tag, class Rep>
class StrongNumber {
public:
    constexpr StrongNumber() = default;
    constexpr explicit StrongNumber(Rep value) : m_value(value) {}
    constexpr Rep value() const { return m_value; }
    friend constexpr bool operator==(StrongNumber, StrongNumber) = default;
    friend constexpr auto operator<=>(StrongNumber, StrongNumber) = default;

private:
    Rep m_value = 0;
};

// The place of a line among all the lines cut from the log, shown or not: what stays of a
// line when the filters change, and what its line number counts (number = place + 1).
using CutLineIndex = StrongNumber<struct CutLineIndexTag, std::int64_t>;
// A place in the log's bytes, or a size in bytes counted from the start of the file.
using ByteOffset = StrongNumber<struct ByteOffsetTag, std::uint64_t>;
