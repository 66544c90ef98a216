#pragma once

// Every user command under one number, shared by its menu entry, shortcut and toolbar
// button; a command's prompt is the string of the same number.
enum CommandId : int {
    ID_FILE_OPEN = 57601,
    ID_FILE_RELOAD = 32775,
    ID_FILE_SAVE_LOG = 32795,
    ID_FILE_LOAD_FILTERS = 32779,
    ID_FILE_SAVE_FILTERS = 32778,
    ID_FILE_SAVE_FILTERS_AS = 32777,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_OPEN_SUITE_LOG = 32774,
    ID_FILE_MRU_FILE1 = 57616,
    ID_APP_EXIT = 57665,
    ID_EDIT_COPY = 57634,
    ID_EDIT_SELECT_ALL = 57642,
    ID_EDIT_FILTERS = 32772,
    ID_EDIT_CLEAR_FILTERS = 32813,
    ID_EDIT_FIND = 57636,
    ID_EDIT_FIND_NEXT = 32810,
    ID_EDIT_FIND_PREVIOUS = 32811,
    ID_VIEW_HIGHLIGHT_MATCHES = 32812,
    ID_EDIT_PREFERENCES = 32771,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_FOLLOW = 32820,
    ID_VIEW_SHOW_ALL_LINES = 32840,
    ID_HELP_FINDER = 57667,
    ID_APP_ABOUT = 57664,
    ID_HELP = 57670,
    ID_CONTEXT_HELP = 57669,
    ID_DEFAULT_HELP = 57671,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
};

// Number of entries of the recent-file list.
inline constexpr int kRecentFileCount = 4;
