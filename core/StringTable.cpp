#include "StringTable.h"

std::string_view LoadString(StringId id) {
    switch (id) {
        case IDS_INTERVAL_JOIN: return " to ";
        case IDS_INVALID_DATE_TIME: return "The date and time you entered is not valid.";
        case IDS_DEFAULT_FROM_MDY_DMY: return "01/01/1970 00:00:00";
        case IDS_DEFAULT_FROM_YMD: return "1970/01/01 00:00:00";
        case IDS_DEFAULT_TO_YMD: return "2037/12/31 23:59:59";
        case IDS_DEFAULT_TO_MDY: return "12/31/2037 23:59:59";
        case IDS_DEFAULT_TO_DMY: return "31/12/2037 23:59:59";
        case AFX_IDP_FAILED_TO_OPEN_DOC: return "Could not open the file %1.";
        case AFX_IDP_FILE_NOT_FOUND: return "Could not find the file %1.";
        case AFX_IDP_FILE_BAD_PATH: return "The path %1 is not valid.";
        case AFX_IDP_FILE_TOO_MANY_OPEN: return "Could not open %1. Too many files are open already.";
        case AFX_IDP_FILE_ACCESS_DENIED: return "You do not have permission to open the file %1.";
        case AFX_IDP_FILE_HARDWARE: return "A hardware error occured trying to open the file %1.";
        case AFX_IDP_FILE_NO_MEMORY: return "Not enough memory to load the file %1.";
    }
    return {};
}

std::string FormatString(StringId id, std::string_view arg) {
    const std::string_view text = LoadString(id);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '1') {
            out += arg;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
