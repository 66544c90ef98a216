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
    // id, menu, group, menu text, shortcut, toolbar slot, group, icon, handler, enabled,
    // checked
    CommandRow{ID_FILE_OPEN, M::File, 1, "&Open...", "Ctrl+O", 1, 1, "open", &F::OnFileOpen,
               nullptr, nullptr},
    CommandRow{ID_FILE_RELOAD, M::File, 1, "R&eload", "Ctrl+R", 2, 1, "reload", &F::OnFileReload,
               &F::HasLogPath, nullptr},
    CommandRow{ID_FILE_SAVE_LOG, M::File, 1, "Save &As...", "Ctrl+Shift+S", 3, 1, "savelog",
               &F::OnFileSaveLog, &F::CanSaveLog, nullptr},
    CommandRow{ID_FILE_LOAD_FILTERS, M::File, 2, "&Load Filters...", "Ctrl+L", 4, 2, "loadfilters",
               &F::OnFileLoadFilters, nullptr, nullptr},
    CommandRow{ID_FILE_SAVE_FILTERS, M::File, 2, "&Save Filters", "Ctrl+S", 5, 2, "savefilters",
               &F::OnFileSaveFilters, &F::CanSaveFilters, nullptr},
    CommandRow{ID_FILE_SAVE_FILTERS_AS, M::File, 2, "Save &Filters As...", nullptr, 0, 0, nullptr,
               &F::OnFileSaveFiltersAs, &F::HasFilters, nullptr},
    CommandRow{ID_FILE_PRINT, M::File, 3, "&Print...", "Ctrl+P", 7, 3, "print", &F::OnFilePrint,
               &F::HasDisplayedLines, nullptr},
    // The preview gets a menu entry of its own, or nothing would reach it.
    CommandRow{ID_FILE_PRINT_PREVIEW, M::File, 3, "Print Pre&view", nullptr, 0, 0, nullptr,
               &F::OnFilePrintPreview, &F::HasDisplayedLines, nullptr},
    CommandRow{ID_FILE_PRINT_SETUP, M::File, 3, "P&rint Setup...", nullptr, 0, 0, nullptr,
               &F::OnFilePrintSetup, nullptr, nullptr},
    CommandRow{ID_FILE_OPEN_SUITE_LOG, M::File, 4, "Open &T.A.R.N.I.X. Log", "Ctrl+U", 0, 0,
               nullptr, &F::OnFileOpenSuiteLog, nullptr, nullptr},
    // The recent-file entries come between group 4 and Exit.
    CommandRow{ID_APP_EXIT, M::File, 5, "E&xit", nullptr, 0, 0, nullptr, &F::OnAppExit, nullptr,
               nullptr},
    CommandRow{ID_EDIT_COPY, M::Edit, 1, "&Copy", "Ctrl+C", 0, 0, nullptr, &F::OnEditCopy,
               &F::CanCopy, nullptr},
    CommandRow{ID_EDIT_SELECT_ALL, M::Edit, 1, "Select &All", "Ctrl+A", 0, 0, nullptr,
               &F::OnEditSelectAll, &F::HasDisplayedLines, nullptr},
    CommandRow{ID_EDIT_FILTERS, M::Edit, 2, "F&ilters...", "Ctrl+H", 6, 2, "filters",
               &F::OnEditFilters, nullptr, nullptr},
    CommandRow{ID_EDIT_CLEAR_FILTERS, M::Edit, 2, "C&lear Filters", nullptr, 0, 0, nullptr,
               &F::OnEditClearFilters, &F::HasFilters, nullptr},
    CommandRow{ID_EDIT_FIND, M::Edit, 2, "&Find...", "Ctrl+F", 8, 4, "find", &F::OnEditFind,
               &F::HasDisplayedLines, nullptr},
    CommandRow{ID_EDIT_FIND_NEXT, M::Edit, 2, "Find &Next", "F3", 0, 0, nullptr, &F::OnEditFindNext,
               &F::HasDisplayedLines, nullptr},
    CommandRow{ID_EDIT_FIND_PREVIOUS, M::Edit, 2, "Find Pre&vious", "Shift+F3", 0, 0, nullptr,
               &F::OnEditFindPrevious, &F::HasDisplayedLines, nullptr},
    CommandRow{ID_EDIT_GO_TO_LINE, M::Edit, 2, "&Go To Line...", "Ctrl+G", 0, 0, nullptr,
               &F::OnEditGoToLine, &F::HasDisplayedLines, nullptr},
    CommandRow{ID_EDIT_PREFERENCES, M::Edit, 3, "&Preferences...", nullptr, 0, 0, nullptr,
               &F::OnEditPreferences, nullptr, nullptr},
    CommandRow{ID_VIEW_TOOLBAR, M::View, 1, "&Toolbar", nullptr, 0, 0, nullptr, &F::OnViewToolbar,
               nullptr, &F::IsToolBarShown},
    CommandRow{ID_VIEW_STATUS_BAR, M::View, 1, "&Status Bar", nullptr, 0, 0, nullptr,
               &F::OnViewStatusBar, nullptr, &F::IsStatusBarShown},
    CommandRow{ID_VIEW_FOLLOW, M::View, 2, "&Follow", "F9", 10, 6, "follow", &F::OnViewFollow,
               nullptr, &F::IsFollowing},
    CommandRow{ID_VIEW_HIGHLIGHT_MATCHES, M::View, 2, "&Highlight Matches", nullptr, 0, 0, nullptr,
               &F::OnViewHighlightMatches, nullptr, &F::IsHighlightingMatches},
    CommandRow{ID_VIEW_SHOW_ALL_LINES, M::View, 3, "Show &All Lines", "Ctrl+Shift+H", 11, 7,
               "showall", &F::OnViewShowAllLines, &F::CanShowAllLines, &F::IsShowingAllLines},
    CommandRow{ID_VIEW_LINE_NUMBERS, M::View, 3, "Line &Numbers", nullptr, 0, 0, nullptr,
               &F::OnViewLineNumbers, nullptr, &F::IsShowingLineNumbers},
    CommandRow{ID_VIEW_OVERVIEW, M::View, 3, "&Overview", nullptr, 0, 0, nullptr,
               &F::OnViewOverview, nullptr, &F::IsShowingOverview},
    CommandRow{ID_HELP_FINDER, M::Help, 1, "&Help Topics", nullptr, 0, 0, nullptr, &F::ShowHelp,
               nullptr, nullptr},
    CommandRow{ID_APP_ABOUT, M::Help, 2, "&About The Trawlview...", nullptr, 0, 0, nullptr,
               &F::OnAppAbout, nullptr, nullptr},
    CommandRow{ID_HELP, M::None, 0, "Help", "F1", 0, 0, nullptr, &F::ShowHelp, nullptr, nullptr},
    CommandRow{ID_CONTEXT_HELP, M::None, 0, "Help", "Shift+F1", 9, 5, "contexthelp",
               &F::OnContextHelp, nullptr, nullptr},
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
