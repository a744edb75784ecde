// Builds the main window's children from the stored layout: the tab control,
// its sheets (child dialogs over the tab control's display area) and one
// window per layout row, each with the class, styles and font of its kind.
// Also the fonts of the form and the drawing of the author label.
//
// Pure presentation: nothing here knows the models or the handlers.
#pragma once

#include <windows.h>

#include <array>

#include "workbench/win32/layout.h"

namespace rolemark_view {

// MS Sans Serif 8 pt for everything, a large bold face for the "+" and "–"
// buttons, and an underlined face for the author label.
class Fonts {
public:
    Fonts();
    ~Fonts();
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;

    HFONT normal = nullptr;
    HFONT big = nullptr;
    HFONT underlined = nullptr;
};

struct FormWindows {
    HWND form = nullptr;
    HWND tabs = nullptr;
    // By layout row; a sheet row holds its child dialog.
    std::array<HWND, kLayoutRows> controls{};
    // The up and down buttons of each spin row (null for other kinds).
    std::array<HWND, kLayoutRows> spinButtons{};
};

// Gives `form` a client area of kClientWidth x kClientHeight and centres it on
// the work area.
void SizeAndCentre(HWND form);

// Creates every child of `form`. Sheets are child dialogs of the resource
// IDD_SHEET run by `sheetProc` with `sheetParam`; one tab per sheet, with an
// empty caption. Only the first sheet is shown.
void BuildForm(HWND form, const Fonts& fonts, DLGPROC sheetProc, LPARAM sheetParam, FormWindows& windows);

// Shows the sheet with the index (0-based) and hides the others.
void ShowSheet(const FormWindows& windows, int index);

// The row of a layout window (also for a spin row's buttons and for a window
// inside a layout window, such as a combo box's edit); -1 for none.
int RowOfWindow(const FormWindows& windows, HWND hwnd);

// Paints the author label: the parent's background, then the caption in blue,
// underlined, right-aligned (grey when disabled).
void DrawLink(const DRAWITEMSTRUCT& item, const Fonts& fonts);

}  // namespace rolemark_view
