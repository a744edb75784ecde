// The main window's stored layout as data: the kinds of window it is made
// of, the control identifiers, the tab control's place and the table of rows
// from layout.def. Captions and states at start belong to the models.
//
// The view creates the window from this table; the automation driver uses the
// identifiers to name the windows it finds. Nothing here depends on Win32.
#pragma once

#include <cstddef>

namespace rolemark_view {

enum class Kind {
    Sheet,       // one page of the tab control (a child dialog)
    Progress,    // progress bar
    Button,      // push button
    BigButton,   // push button with its caption in large bold type
    Label,       // static text
    Link,        // the author label: blue, underlined, right-aligned, clickable
    Edit,        // one-line text field
    ListBox,     // list box; its order is the model's
    FirstRadio,  // radio button that opens a group
    Radio,       // radio button in the open group
    Check,       // check box
    DropList,    // drop-down list without typing
    DropDown,    // drop-down list that also accepts typing
    Spin,        // numeric field: an edit with up and down buttons
    Report,      // list view in report style: the speaker report's rows
};

// Control identifiers: the row's position in the table plus FirstControlId.
// NOTE: identifiers stay below 0x8000 and away from IDOK/IDCANCEL (1, 2) so
// that the dialog manager never mistakes a control for a default button.
enum ControlId : int {
    IdPageControl = 900,  // the tab control, part of the form's frame
    FirstControlId = 1000,
#define LAYOUT_CONTROL(Name, Kind, Page, X, Y, W, H) Id##Name,
    BeforeFirstRow = FirstControlId - 1,
#include "workbench/win32/layout.def"
#undef LAYOUT_CONTROL
    EndControlId
};

struct LayoutRow {
    const char* name;
    Kind kind;
    int page;  // 0: the form's client area; 1 to 3: the sheets
    int x, y, width, height;
};

inline constexpr LayoutRow kLayout[] = {
#define LAYOUT_CONTROL(Name, Kind_, Page, X, Y, W, H) {#Name, Kind::Kind_, Page, X, Y, W, H},
#include "workbench/win32/layout.def"
#undef LAYOUT_CONTROL
};

inline constexpr std::size_t kLayoutRows = sizeof kLayout / sizeof kLayout[0];

// The form's client area in pixels.
inline constexpr int kClientWidth = 384;
inline constexpr int kClientHeight = 247;

// The tab control fills the top of the form; the sheets cover its display
// area (the rectangle minus the tabs and the border).
struct PixelRect {
    int x, y, width, height;
};
inline constexpr PixelRect kTabsRect{4, 4, 376, 206};

// The row of an identifier, or null when the identifier is not a control of
// the layout.
inline const LayoutRow* RowOf(int id) {
    return id >= FirstControlId && id < EndControlId ? &kLayout[id - FirstControlId] : nullptr;
}

}  // namespace rolemark_view
