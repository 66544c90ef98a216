#pragma once

#include <string>

#include "FilterList.h"

// The bytes a filter list is saved as, the records FilterFileReader reads: per filter,
// in list order, its type letter (E exclude string, I include string, F exclude
// interval, P include interval, R include pattern, X exclude pattern), its text byte for
// byte, and LF. Reading those bytes gives the same texts and kinds in the same order.
//
// Returns null and sets bytes on success. A filter that cannot be one record is
// returned instead, pointing into list (bytes is then unspecified): a text holding an LF
// (it would end the record early), a text ending in CR (the reader takes a CR before the
// LF as part of the line end), or a kind without a type letter.
const LogFilter* MakeFilterFileBytes(const FilterList& list, std::string& bytes);
