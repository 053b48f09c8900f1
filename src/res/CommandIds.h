#pragma once

// Command ids of the program. Menus, toolbars and accelerators all name a
// command by these numbers; the model answers for each one what it does and
// whether it is enabled or checked.
namespace cmd {

inline constexpr int ID_TOOL_PEN = 32771;
inline constexpr int ID_TOOL_ERASER = 32772;
inline constexpr int ID_TIP_10 = 32786;
inline constexpr int ID_TIP_20 = 32787;
inline constexpr int ID_TIP_30 = 32788;
inline constexpr int ID_TIP_40 = 32789;
inline constexpr int ID_CLEAR_ALL = 32792;
inline constexpr int ID_TIP_USER = 32811;
inline constexpr int ID_VIEW_SAMPLE = 32812;
inline constexpr int ID_VIEW_GRID = 32813;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_REDO = 57644;

} // namespace cmd

// Cursor resources: round pens, round erasers, user-defined pen and eraser.
namespace cursor {

inline constexpr int IDC_PEN_10 = 132;
inline constexpr int IDC_PEN_20 = 133;
inline constexpr int IDC_PEN_30 = 134;
inline constexpr int IDC_ERASER_10 = 136;
inline constexpr int IDC_ERASER_20 = 137;
inline constexpr int IDC_ERASER_30 = 138;
inline constexpr int IDC_PEN_USER = 144;
inline constexpr int IDC_ERASER_USER = 145;

} // namespace cursor
