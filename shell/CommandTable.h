#pragma once

#include <span>

#include "CommandIds.h"

class CMainFrame;

// The menu a command appears in; None for commands reached only by their key.
enum class CommandMenu { None, File, Edit, View, Help };

// One user command: everything the window makes of it, each fact in one place.
struct CommandRow {
    CommandId id;
    CommandMenu menu;
    // Entries of a menu follow the table's order; a separator stands between two groups.
    int menuGroup;
    // The entry with its mnemonic ampersand; the menu adds the shortcut's text itself.
    const char* menuText;
    // The key in QKeySequence's portable form ("Ctrl+Shift+S"); null for none.
    const char* shortcut;
    // 1-based place among the toolbar's buttons, 0 for none; a separator comes before
    // a button whose toolbarGroup differs from the previous button's.
    int toolbarSlot;
    int toolbarGroup;
    // File name under :/icons without ".png"; null for none.
    const char* icon;
    // Null while nothing handles the command: it then stays disabled.
    void (CMainFrame::*handler)();
    // Null: enabled whenever handled.
    bool (CMainFrame::*enabled)() const;
    // Non-null for a command shown with a check mark: whether it is checked.
    bool (CMainFrame::*checked)() const;
};

// Every command of the window, in menu order.
std::span<const CommandRow> CommandTable();

// The row of a command; null for an id without one.
const CommandRow* FindCommand(int id);
