#pragma once

#include <QString>
#include <string>

#include "StringTable.h"

// A text of the string table for the window (the table holds UTF-8).
QString LoadQString(StringId id);

// File names are bytes; the window shows and passes them as Qt strings in the file
// system's encoding.
QString DecodePath(const std::string& path);
std::string EncodePath(const QString& path);
