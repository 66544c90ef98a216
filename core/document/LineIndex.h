#pragma once

#include <cstdint>

// Index of a displayed line, a count of lines, and a byte offset into the file are all
// 64-bit: files over 4 GiB and over 2^31 lines are sizes like any other.
using LineIndex = std::int64_t;
using ByteOffset = std::uint64_t;
