#pragma once

#include <string>
#include <string_view>

// The program's message texts, each under its number. "%1" stands for the argument.
enum StringId : int {
    IDS_INTERVAL_JOIN = 31448,
    IDS_INVALID_DATE_TIME = 31449,
    IDS_DEFAULT_FROM_MDY_DMY = 31453,
    IDS_DEFAULT_FROM_YMD = 31454,
    IDS_DEFAULT_TO_YMD = 31455,
    IDS_DEFAULT_TO_MDY = 31456,
    IDS_DEFAULT_TO_DMY = 31458,
    AFX_IDP_FAILED_TO_OPEN_DOC = 57729,
    AFX_IDP_FILE_NOT_FOUND = 57730,
    AFX_IDP_FILE_BAD_PATH = 57731,
    AFX_IDP_FILE_TOO_MANY_OPEN = 57732,
    AFX_IDP_FILE_ACCESS_DENIED = 57733,
    AFX_IDP_FILE_HARDWARE = 57734,
    AFX_IDP_FILE_NO_MEMORY = 57735,
};

// The text of a string; empty for an unknown number.
std::string_view LoadString(StringId id);

// The text with every "%1" replaced by arg.
std::string FormatString(StringId id, std::string_view arg);
