// The Win32 view of the main window: a modeless dialog of the window class
// TRolemark, built from the stored layout, bound to the form's control
// models, and forwarding every user action to the form's handler of that
// control and event.
//
// One static dialog procedure (and one for the sheets) hands each message to
// the view object, which cracks it into a typed handler. Every call into the
// form goes through Call/Invoke: an exception ends the handler and is shown by
// the application-wide handler, never crossing the system's frames.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/win32/services.h"
#include "workbench/form_view.h"
#include "workbench/rolemark.h"
#include "workbench/win32/bindings.h"
#include "workbench/win32/form_builder.h"

namespace rolemark_view {

class RolemarkView : public workbench::FormView {
public:
    using Handler = void (workbench::TRolemark::*)();

    RolemarkView(platform::win32::Application& app, HINSTANCE instance);
    ~RolemarkView() override;
    RolemarkView(const RolemarkView&) = delete;
    RolemarkView& operator=(const RolemarkView&) = delete;

    // Creates the window, hidden, and binds `form`'s models to its controls.
    // False when the window could not be created.
    [[nodiscard]] bool Create(workbench::TRolemark& form);
    // Shows the window for the first time.
    void Show(int showCommand);
    // Unbinds the models and destroys the window.
    void Destroy();

    // Runs one handler of the form; an exception goes to the application's
    // handler. A close asked for during a run is carried out once the
    // outermost handler has returned and no run is in progress.
    void Call(Handler handler);

    // FormView
    void ShowMessage(const std::string& text, const std::string& caption, workbench::MessageIcon icon) override;
    std::optional<std::filesystem::path> ExecuteSaveDialog(const workbench::FileDialog& dialog) override;
    std::optional<std::filesystem::path> ExecuteOpenDialog(const workbench::FileDialog& dialog) override;
    void ShowBusy(bool busy) override;
    void FocusControl(const workbench::Control& control) override;
    void Close() override;

private:
    static INT_PTR CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Takes Esc out of DDEML's modal loop (see view.cpp).
    static LRESULT CALLBACK DdeWaitFilter(int code, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK SheetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The messages the form and its sheets share; false when not handled.
    bool OnChildMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    void OnInitDialog(HWND hwnd);
    void OnCommand(int id, HWND control, UINT code);
    LRESULT OnNotify(const NMHDR& header);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    bool OnSetCursor(HWND over);
    // Has the window under the mouse, if it is the form's, set the cursor
    // again (now, not at the next mouse move).
    void RefreshCursor() const;
    void OnClose();
    void OnDestroy();

    template <class F>
    void Invoke(F&& work);
    // The row's handler, after the focus has been handed to the form.
    void RunHandlerOf(int row);
    void BeginClose();
    HWND Owner() const;
    std::optional<std::filesystem::path> ExecuteFileDialog(const workbench::FileDialog& dialog, bool save);

    platform::win32::Application& app_;
    HINSTANCE instance_;
    workbench::TRolemark* form_ = nullptr;
    Fonts fonts_;
    FormWindows windows_;
    std::unique_ptr<Bindings> bindings_;
    bool shown_ = false;
    bool busy_ = false;          // an action talks to the host: the wait cursor
    HWND focusBeforeBusy_ = nullptr;
    HHOOK ddeWaitFilter_ = nullptr;
    bool closePending_ = false;
    int depth_ = 0;  // handlers in progress (a run lets others in)
};

}  // namespace rolemark_view
