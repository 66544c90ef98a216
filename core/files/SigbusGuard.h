#pragma once

#include <cstddef>

// Keeps a file mapped for reading from killing the program when the file gets shorter
// while it is mapped: a read of a page past the new end raises SIGBUS. Inside a guarded
// range the handler puts zero pages over the rest of the range, so that the read and
// every later one see zeros, marks the range as cut short and writes a byte to the
// notice descriptor; the reader goes on. A SIGBUS anywhere else takes its former course.
//
// Ranges are registered and removed by one thread at a time per range; the handler may
// run on any thread.

// Guards [begin, begin + length). Returns a slot number for the calls below, or -1 when
// every slot is taken (the caller then reads the file instead of mapping it).
int GuardMappedRange(const char* begin, std::size_t length);
// The range of slot changed (the mapping grew); its cut-short mark stays.
void UpdateMappedRange(int slot, const char* begin, std::size_t length);
// Ends the guard of slot; call before the range is unmapped.
void UnguardMappedRange(int slot);
// True once a read in slot's range found the file shorter than the mapping.
bool MappedRangeCutShort(int slot);
// A descriptor that becomes readable each time a guarded range is cut short (one byte
// per event; the reader drains it). -1 when it could not be made.
int CutShortNoticeFd();
