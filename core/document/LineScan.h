#pragma once

#include <cstddef>

// Byte scans the line cutter runs over every byte of a file.

// Bytes that must be readable after the NUL that ends scanned data: the scans load 32
// bytes at a time without aligning first.
constexpr std::size_t kScanPadding = 64;

// First CR or NUL at or after p. The caller guarantees a NUL at or after p followed by
// kScanPadding readable bytes.
const char* FindCrOrNul(const char* p);
// First CR, LF or NUL at or after p, under the same guarantee: the line ends of a log
// whose lone LF ends a line, found in the same one pass.
const char* FindCrLfOrNul(const char* p);

// First byte at or after p, before end, that is neither a control byte nor 0x80 or above
// (bytes compared as signed values against 0x20); end when there is none.
const char* SkipToLineStart(const char* p, const char* end);

// Last CR or NUL in [begin, end), or nullptr when there is none.
const char* FindLastCrOrNul(const char* begin, const char* end);
// Last CR, LF or NUL in [begin, end), or nullptr when there is none.
const char* FindLastCrLfOrNul(const char* begin, const char* end);
