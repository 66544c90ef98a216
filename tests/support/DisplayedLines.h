#pragma once

#include <string>
#include <vector>

#include "CTrawlviewDoc.h"

using Lines = std::vector<std::string>;

// The document's displayed lines as they stand in the file.
inline Lines Displayed(const CTrawlviewDoc& doc) {
    Lines out;
    for (LineIndex i = 0; i < doc.GetLineCount(); ++i) out.emplace_back(doc.GetLine(i));
    return out;
}
