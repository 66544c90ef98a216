#include "CommandTable.h"

#include <algorithm>
#include <array>

#include "CMainFrame.h"

namespace {

using F = CMainFrame;
using M = CommandMenu;

// Commands whose handler belongs to a part of the view or a dialog that does not exist
// yet have a null handler: they stay disabled.
constexpr std::array kCommands = {
    // id, menu, group, menu text, shortcut, toolbar slot, group, icon, prompt, handler, enabled,
    // checked
    CommandRow{ID_FILE_OPEN, M::File, 1, "&Open...", "Ctrl+O", 1, 1, "open", IDS_PROMPT_FILE_OPEN,
               &F::OnFileOpen, nullptr, nullptr},
    CommandRow{ID_FILE_RELOAD, M::File, 1, "R&eload", "Ctrl+R", 2, 1, "reload",
               IDS_PROMPT_FILE_RELOAD, &F::OnFileReload, &F::HasLogPath, nullptr},
    CommandRow{ID_FILE_SAVE_LOG, M::File, 1, "Save &As...", "Ctrl+Shift+S", 3, 1, "savelog",
               IDS_PROMPT_FILE_SAVE_LOG, &F::OnFileSaveLog, &F::CanSaveLog, nullptr},
    CommandRow{ID_FILE_LOAD_FILTERS, M::File, 2, "&Load Filters...", "Ctrl+L", 4, 2, "loadfilters",
               IDS_PROMPT_FILE_LOAD_FILTERS, &F::OnFileLoadFilters, nullptr, nullptr},
    CommandRow{ID_FILE_SAVE_FILTERS, M::File, 2, "&Save Filters", "Ctrl+S", 5, 2, "savefilters",
               IDS_PROMPT_FILE_SAVE_FILTERS, &F::OnFileSaveFilters, &F::CanSaveFilters, nullptr},
    CommandRow{ID_FILE_SAVE_FILTERS_AS, M::File, 2, "Save &Filters As...", nullptr, 0, 0, nullptr,
               IDS_PROMPT_FILE_SAVE_FILTERS_AS, &F::OnFileSaveFiltersAs, &F::HasFilters, nullptr},
    CommandRow{ID_FILE_PRINT, M::File, 3, "&Print...", "Ctrl+P", 7, 3, "print",
               IDS_PROMPT_FILE_PRINT, &F::OnFilePrint, &F::HasDisplayedLines, nullptr},
    // The preview gets a menu entry of its own, or nothing would reach it.
    CommandRow{ID_FILE_PRINT_PREVIEW, M::File, 3, "Print Pre&view", nullptr, 0, 0, nullptr,
               IDS_PROMPT_FILE_PRINT_PREVIEW, &F::OnFilePrintPreview, &F::HasDisplayedLines, nullptr},
    CommandRow{ID_FILE_PRINT_SETUP, M::File, 3, "P&rint Setup...", nullptr, 0, 0, nullptr,
               IDS_PROMPT_FILE_PRINT_SETUP, &F::OnFilePrintSetup, nullptr, nullptr},
    CommandRow{ID_FILE_OPEN_SUITE_LOG, M::File, 4, "Open &T.A.R.N.I.X. Log", "Ctrl+U", 0, 0,
               nullptr, IDS_PROMPT_FILE_OPEN_SUITE_LOG, &F::OnFileOpenSuiteLog, nullptr, nullptr},
    // The recent-file entries come between group 4 and Exit.
    CommandRow{ID_APP_EXIT, M::File, 5, "E&xit", nullptr, 0, 0, nullptr, IDS_PROMPT_APP_EXIT,
               &F::OnAppExit, nullptr, nullptr},
    CommandRow{ID_EDIT_COPY, M::Edit, 1, "&Copy", "Ctrl+C", 0, 0, nullptr, IDS_PROMPT_EDIT_COPY,
               &F::OnEditCopy, &F::CanCopy, nullptr},
    CommandRow{ID_EDIT_SELECT_ALL, M::Edit, 1, "Select &All", "Ctrl+A", 0, 0, nullptr,
               IDS_PROMPT_EDIT_SELECT_ALL, &F::OnEditSelectAll, &F::HasDisplayedLines, nullptr},
    CommandRow{ID_EDIT_FILTERS, M::Edit, 2, "F&ilters...", "Ctrl+H", 6, 2, "filters",
               IDS_PROMPT_EDIT_FILTERS, &F::OnEditFilters, nullptr, nullptr},
    CommandRow{ID_EDIT_CLEAR_FILTERS, M::Edit, 2, "C&lear Filters", nullptr, 0, 0, nullptr,
               IDS_PROMPT_EDIT_CLEAR_FILTERS, &F::OnEditClearFilters, &F::HasFilters, nullptr},
    CommandRow{ID_EDIT_FIND, M::Edit, 2, "&Find...", "Ctrl+F", 8, 4, "find", IDS_PROMPT_EDIT_FIND,
               &F::OnEditFind, &F::HasDisplayedLines, nullptr},
    CommandRow{ID_EDIT_FIND_NEXT, M::Edit, 2, "Find &Next", "F3", 0, 0, nullptr,
               IDS_PROMPT_EDIT_FIND_NEXT, &F::OnEditFindNext, &F::HasDisplayedLines, nullptr},
    CommandRow{ID_EDIT_FIND_PREVIOUS, M::Edit, 2, "Find Pre&vious", "Shift+F3", 0, 0, nullptr,
               IDS_PROMPT_EDIT_FIND_PREVIOUS, &F::OnEditFindPrevious, &F::HasDisplayedLines,
               nullptr},
    CommandRow{ID_EDIT_PREFERENCES, M::Edit, 3, "&Preferences...", nullptr, 0, 0, nullptr,
               IDS_PROMPT_EDIT_PREFERENCES, &F::OnEditPreferences, nullptr, nullptr},
    CommandRow{ID_VIEW_TOOLBAR, M::View, 1, "&Toolbar", nullptr, 0, 0, nullptr,
               IDS_PROMPT_VIEW_TOOLBAR, &F::OnViewToolbar, nullptr, &F::IsToolBarShown},
    CommandRow{ID_VIEW_STATUS_BAR, M::View, 1, "&Status Bar", nullptr, 0, 0, nullptr,
               IDS_PROMPT_VIEW_STATUS_BAR, &F::OnViewStatusBar, nullptr, &F::IsStatusBarShown},
    CommandRow{ID_VIEW_FOLLOW, M::View, 2, "&Follow", "F9", 10, 6, "follow", IDS_PROMPT_VIEW_FOLLOW,
               &F::OnViewFollow, nullptr, &F::IsFollowing},
    CommandRow{ID_VIEW_HIGHLIGHT_MATCHES, M::View, 2, "&Highlight Matches", nullptr, 0, 0, nullptr,
               IDS_PROMPT_VIEW_HIGHLIGHT_MATCHES, &F::OnViewHighlightMatches, nullptr,
               &F::IsHighlightingMatches},
    CommandRow{ID_VIEW_SHOW_ALL_LINES, M::View, 3, "Show &All Lines", "Ctrl+Shift+H", 11, 7, "showall",
               IDS_PROMPT_VIEW_SHOW_ALL_LINES, &F::OnViewShowAllLines, &F::CanShowAllLines,
               &F::IsShowingAllLines},
    CommandRow{ID_HELP_FINDER, M::Help, 1, "&Help Topics", nullptr, 0, 0, nullptr,
               IDS_PROMPT_HELP_FINDER, &F::ShowHelp, nullptr, nullptr},
    CommandRow{ID_APP_ABOUT, M::Help, 2, "&About The Trawlview...", nullptr, 0, 0, nullptr,
               IDS_PROMPT_APP_ABOUT, &F::OnAppAbout, nullptr, nullptr},
    CommandRow{ID_HELP, M::None, 0, "Help", "F1", 0, 0, nullptr, IDS_PROMPT_HELP, &F::ShowHelp,
               nullptr, nullptr},
    CommandRow{ID_CONTEXT_HELP, M::None, 0, "Help", "Shift+F1", 9, 5, "contexthelp",
               IDS_PROMPT_CONTEXT_HELP, &F::OnContextHelp, nullptr, nullptr},
};

}  // namespace

std::span<const CommandRow> CommandTable() {
    return kCommands;
}

const CommandRow* FindCommand(int id) {
    const auto it = std::find_if(kCommands.begin(), kCommands.end(),
                                 [id](const CommandRow& row) { return row.id == id; });
    return it == kCommands.end() ? nullptr : &*it;
}
