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
inline constexpr int ID_NEXT_CHAR = 32790;
inline constexpr int ID_PREV_CHAR = 32791;
inline constexpr int ID_CLEAR_ALL = 32792;
inline constexpr int ID_EXECUTE = 32793;
inline constexpr int ID_OPTIONS = 32804;
inline constexpr int ID_TIP_USER = 32811;
inline constexpr int ID_VIEW_SAMPLE = 32812;
inline constexpr int ID_VIEW_GRID = 32813;
inline constexpr int ID_AUTO_CREATE = 32816;
// The pen editor's toolbar.
inline constexpr int ID_PEN_EDIT_PEN = 32806;
inline constexpr int ID_PEN_EDIT_ERASER = 32807;
inline constexpr int ID_PEN_EDIT_CLEAR = 32808;
inline constexpr int ID_PEN_EDIT_LINE = 32809;
inline constexpr int ID_PEN_EDIT_FILL = 32810;
inline constexpr int ID_PEN_FILE_OPEN = 32819;
inline constexpr int ID_PEN_FILE_SAVE = 32820;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_REDO = 57644;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP_FINDER = 57667;
inline constexpr int ID_CONTEXT_HELP = 57669;
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;

// Controls and status bar indicators.
inline constexpr int ID_INDICATOR_X = 62001;
inline constexpr int ID_INDICATOR_Y = 62002;
inline constexpr int ID_FACE_LIST = 62003;
// File menu: save the font editor's font under a new name.
inline constexpr int ID_FONT_SAVE_AS = 32900;
// File menu: the names, version and copyright stored in the font.
inline constexpr int ID_FONT_INFO = 32910;
// View menu: the character table window.
inline constexpr int ID_VIEW_CHAR_TABLE = 32940;
// File menu: save the font and install it for the user.
inline constexpr int ID_FONT_INSTALL = 32950;
// View menu: the preview window of typed text in the font.
inline constexpr int ID_VIEW_PREVIEW = 32951;
// View menu: the next character of the character table's set that the font
// does not have yet.
inline constexpr int ID_NEXT_MISSING = 32960;

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
// The pen editor's line and fill tools (its pen and eraser use 144 and 145).
inline constexpr int IDC_PEN_EDIT_FILL = 146;
inline constexpr int IDC_PEN_EDIT_LINE = 147;

} // namespace cursor
