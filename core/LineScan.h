#pragma once

// Byte scans the line cutter runs over every byte of a file.

// First CR or NUL at or after p. The caller guarantees a NUL at or after p inside the
// same allocation; aligned 16-byte loads never cross into an unmapped page.
const char* FindCrOrNul(const char* p);

// First byte at or after p, before end, that is neither a control byte nor 0x80 or above
// (bytes compared as signed values against 0x20); end when there is none.
const char* SkipToLineStart(const char* p, const char* end);
