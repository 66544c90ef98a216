#include "StringTable.h"

std::string_view LoadString(StringId id) {
    switch (id) {
        case IDS_INVALID_DATE_TIME:
            return "The date and time you entered is not valid.";
        case IDS_FILTER_FILE_TYPES:
            return "Log filter files (%1)";
        case IDS_FILTER_NOT_SAVABLE:
            return "The filter \"%1\" holds a line break and cannot be written to a filter file. "
                   "Edit or remove it, then save again.";
        case IDS_FILTERS_LOADED:
            return "Filters read from the filter file: %1";
        case IDS_FOLLOW_RELOADED:
            return "The log was replaced or got shorter and has been loaded again.";
        case IDS_FOLLOW_NO_MEMORY:
            return "Not enough memory to take in more of the log %1. Follow has been turned off; "
                   "the lines shown "
                   "end with the last whole line taken in.";
        case IDS_LINES_PANE:
            return "%1 lines";
        case IDS_ONE_LINE_PANE:
            return "1 line";
        case IDS_LINES_OF_PANE:
            return "%1 of %2 lines";
        case IDS_LINES_HELD_PANE:
            return "all %1 lines, filters held";
        case IDS_GO_TO_LINE_LABEL:
            return "Line number (1 to %1):";
        case IDS_GO_TO_LINE_RANGE:
            return "There is no line %1 in this log: its lines are numbered 1 to %2.";
        case IDS_NO_ACTIVE_FILTERS:
            return "No active filters";
        case IDS_ONE_ACTIVE_FILTER:
            return "1 active filter; double-click to change it";
        case IDS_ACTIVE_FILTERS:
            return "%1 active filters; double-click to change them";
        case AFX_IDP_FAILED_TO_OPEN_DOC:
            return "Could not open the file %1.";
        case AFX_IDP_FILE_NOT_FOUND:
            return "Could not find the file %1.";
        case AFX_IDP_FILE_BAD_PATH:
            return "The path %1 is not valid.";
        case AFX_IDP_FILE_TOO_MANY_OPEN:
            return "Could not open %1. Too many files are open already.";
        case AFX_IDP_FILE_ACCESS_DENIED:
            return "You do not have permission to open the file %1.";
        case AFX_IDP_FILE_HARDWARE:
            return "A hardware error occured trying to open the file %1.";
        case AFX_IDP_FILE_NO_MEMORY:
            return "Not enough memory to load the file %1.";
        case IDR_MAINFRAME:
            return "T.A.R.N.I.X. Trawlview";
        case IDS_ABOUT_TITLE:
            return "About The T.A.R.N.I.X. Trawlview";
        case IDS_ABOUT_VERSION:
            return "T.A.R.N.I.X. Trawlview v%1";
        case IDS_ABOUT_NOTICE:
            return "Viewer for the log files of the T.A.R.N.I.X. suite.\n"
                   "Written by the Trawlview developers.\n"
                   "Copyright (C) Quellbrook Inc.\n"
                   "All rights reserved.";
        case IDS_SAVE_FAILED:
            return "Could not save the file %1.";
        case IDS_INTERVAL_FELL_BACK:
            return "These interval records cannot be read in this date order and cover 1970-01-01 "
                   "00:00:00 "
                   "to 2037-12-31 23:59:59: %1.";
        case IDS_CR_ONLY_RECORDS:
            return "Its lines seem to end with CR alone, so the whole file was read as one record.";
        case IDS_FILTER_FILE_WARNING:
            return "The filter file %1 was read, but:";
        case IDS_INTERVAL_FELL_BACK_TIP:
            return "This interval cannot be read in this date order: it covers 1970-01-01 00:00:00 "
                   "to "
                   "2037-12-31 23:59:59.";
        case IDS_SAVE_OVER_INPUT:
            return "It is %1, which is in use: choose another name.";
        case IDS_FILTER_FILE_FAILED:
            return "Could not read the filter file %1.";
        case IDS_CANCEL_FILTER_FILE:
            return "Cancel";
        case IDS_FILTER_FILE_NO_MEMORY:
            return "Not enough memory to read the filter file %1.";
        case IDS_FILTER_FILE_CANCELLED:
            return "Reading the filter file %1 was cancelled; the filters are as they were.";
        case IDS_HELP_TITLE:
            return "Trawlview Help";
        case IDS_LOG_FILE_FILTER:
            return "Log Files (*.log)";
        case IDS_ALL_FILES_FILTER:
            return "All Files (*)";
        case IDS_NO_SUITE_LOG:
            return "No log file of the T.A.R.N.I.X. suite is configured: the machine-wide setting "
                   "Settings/LogFile of Quellbrook Inc./T.A.R.N.I.X. is missing or empty.";
        case IDS_COPY_FAILED:
            return "There is not enough memory to copy the selection to the Clipboard.";
        case IDS_DEFAULT_LOG_NAME:
            return "events.log";
        case IDS_FILTERED_SUFFIX:
            return "(filtered)";
        case IDS_HELP_FILE_NAME:
            return "Trawlview.html";
        case AFX_IDS_APP_TITLE:
            return "Trawlview";
        case AFX_IDS_IDLEMESSAGE:
            return "For Help, press F1";
        case AFX_IDS_HELPMODEMESSAGE:
            return "Select an object on which to get Help";
        case AFX_IDS_UNTITLED:
            return "Untitled";
        case IDS_INDICATOR_DATE:
            return "Date";
        case IDS_INDICATOR_TIME:
            return "Time";
        case IDS_INDICATOR_CAPS:
            return "CAP";
        case IDS_INDICATOR_NUM:
            return "NUM";
        case IDS_INDICATOR_SCRL:
            return "SCRL";
        case IDS_PROMPT_FILE_OPEN:
            return "Open an existing log file\nOpen";
        case IDS_PROMPT_FILE_RELOAD:
            return "Reload the current log file\nReload";
        case IDS_PROMPT_FILE_SAVE_LOG:
            return "Save the currently displayed Log\nSave Log";
        case IDS_PROMPT_FILE_LOAD_FILTERS:
            return "Load message filters from file\nLoad Filters";
        case IDS_PROMPT_FILE_SAVE_FILTERS:
            return "Save the current message filters\nSave Filters";
        case IDS_PROMPT_FILE_SAVE_FILTERS_AS:
            return "Save the current message filters to different filter file\nSave Filters As";
        case IDS_PROMPT_EDIT_FILTERS:
            return "Show the message filters\nFilters";
        case IDS_PROMPT_EDIT_PREFERENCES:
            return "Show the preferences dialog\nPreferences";
        case IDS_PROMPT_FILE_OPEN_SUITE_LOG:
            return "Open the T.A.R.N.I.X. log file\nT.A.R.N.I.X. Log";
        case IDS_PROMPT_FILE_PRINT_SETUP:
            return "Change the printer and printing options\nPrint Setup";
        case IDS_PROMPT_FILE_PRINT:
            return "Print the log messages\nPrint";
        case IDS_PROMPT_FILE_PRINT_PREVIEW:
            return "Show the log messages as they will be printed\nPrint Preview";
        case IDS_PRINT_FONT_SIZE_RANGE:
            return "Enter a font size from 4 to 65535 points.";
        case IDS_PRINT_TO_PDF:
            return "Print to PDF";
        case IDS_PRINTING_PAGE:
            return "Printing page %1...";
        case IDS_PROMPT_EDIT_COPY:
            return "Copy the selection to the Clipboard\nCopy";
        case IDS_PROMPT_EDIT_FIND:
            return "Find the specified text\nFind";
        case IDS_PROMPT_EDIT_FIND_NEXT:
            return "Find the next line holding the last find text\nFind Next";
        case IDS_PROMPT_EDIT_FIND_PREVIOUS:
            return "Find the previous line holding the last find text\nFind Previous";
        case IDS_PROMPT_VIEW_HIGHLIGHT_MATCHES:
            return "Mark every occurrence of the last find text on screen\nHighlight Matches";
        case IDS_PROMPT_EDIT_CLEAR_FILTERS:
            return "Remove every active filter\nClear Filters";
        case IDS_FILTER_LINE_BREAK:
            return "A filter cannot hold a line break: no line of a log holds one. Enter the text "
                   "of one line.";
        case IDS_FIND_NOT_FOUND:
            return "Cannot find \"%1\"";
        case IDS_FIND_PASSED_END:
            return "Passed the end of the log";
        case IDS_FIND_PASSED_START:
            return "Passed the start of the log";
        case IDS_OPEN_NOT_FOUND:
            return "%1\nThe file does not exist. Check the name and the folder.";
        case IDS_PROMPT_EDIT_SELECT_ALL:
            return "Select all log messages\nSelect All";
        case IDS_PROMPT_APP_ABOUT:
            return "Display program information, version number and copyright\nAbout";
        case IDS_PROMPT_APP_EXIT:
            return "Quit the Trawlview\nExit";
        case IDS_PROMPT_HELP_FINDER:
            return "List Help topics\nHelp Topics";
        case IDS_PROMPT_CONTEXT_HELP:
            return "Display help for clicked on buttons, menus and windows\nHelp";
        case IDS_PROMPT_HELP:
            return "Display help for current task or command\nHelp";
        case IDS_PROMPT_VIEW_TOOLBAR:
            return "Show or hide the toolbar\nToggle Toolbar";
        case IDS_PROMPT_VIEW_STATUS_BAR:
            return "Show or hide the status bar\nToggle Status Bar";
        case IDS_PROMPT_VIEW_FOLLOW:
            return "Show lines as they are appended to the log\nFollow";
        case IDS_PROMPT_VIEW_LINE_NUMBERS:
            return "Show each line's number in the log left of it\nLine Numbers";
        case IDS_PROMPT_VIEW_OVERVIEW:
            return "Show where the red lines, the yellow lines and the find text lie in the whole "
                   "log, beside the scroll bar\nOverview";
        case IDS_PROMPT_EDIT_GO_TO_LINE:
            return "Select and centre a line of the log by its number (needs displayed lines)\nGo "
                   "To Line";
        case IDS_PROMPT_VIEW_SHOW_ALL_LINES:
            return "Show every line of the log, the active filters held until this is turned off "
                   "(needs active "
                   "filters and a loaded log)\nShow All Lines";
        case IDS_PROMPT_FILE_MRU:
            return "Open this file";
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
