// What the main window's logic needs from its window: modal message boxes,
// the two file dialogs, the busy look, moving the focus to a control, and
// closing the window.
//
// The Win32 view implements it on the real dialog; tests implement it with a
// recorder. All texts are UTF-8.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace workbench {

class Control;

enum class MessageIcon { None, Information, Exclamation, Error };

// A file dialog's settings, kept by the form like a component: the title, the
// filter in "description|pattern|description|pattern" notation (the first
// pair chosen at start), the file name offered at start, and the extension
// added to a name typed without one. After a dialog was confirmed the form
// stores the chosen file in `fileName`, so the next use starts from it.
// `askReplace`: a save dialog asks before it names a file that exists.
struct FileDialog {
    std::string title;
    std::string filter;
    std::filesystem::path fileName;
    std::string defaultExt;
    bool askReplace = false;
};

class FormView {
public:
    virtual ~FormView() = default;

    // A modal box with `text`, `caption`, the icon and an OK button; returns
    // when the user has confirmed it.
    virtual void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;

    // The standard save / open dialogs with `dialog`'s settings and no other
    // options (no replace question unless `askReplace`; the open dialog
    // accepts a file that does not exist). Nothing when the user cancels.
    virtual std::optional<std::filesystem::path> ExecuteSaveDialog(const FileDialog& dialog) = 0;
    virtual std::optional<std::filesystem::path> ExecuteOpenDialog(const FileDialog& dialog) = 0;

    // Shows that the window is busy (the wait cursor) while an action talks
    // to the host, or no longer.
    virtual void ShowBusy(bool busy) = 0;

    // Shows the page that holds `control` and gives the control the focus.
    virtual void FocusControl(const Control& control) = 0;

    // Closes the main window, which ends the program. NOTE: may be called
    // while the form is being created (before the window is shown: it is then
    // never shown) and from inside a handler; the view must not destroy the
    // form before that handler has returned.
    virtual void Close() = 0;
};

}  // namespace workbench
