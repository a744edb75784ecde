// The two-way binding between the form's control models and the real
// controls.
//
// Model to control: each model's `changed` hook copies its state into its
// control at once (so the progress bar moves while a run pumps messages).
// Control to model: a notification of a user edit goes into the model through
// its User* members; the caller then runs the row's handler. Changes the
// binding makes itself are not taken for user edits.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "workbench/rolemark.h"
#include "workbench/win32/form_builder.h"

namespace rolemark_view {

class Bindings {
public:
    // Copies every model's state into its control and hooks the models.
    Bindings(workbench::TRolemark& form, const FormWindows& windows);
    // Unhooks the models.
    ~Bindings();
    Bindings(const Bindings&) = delete;
    Bindings& operator=(const Bindings&) = delete;

    workbench::Control* Model(int row) const { return models_[static_cast<size_t>(row)]; }

    // Takes the notification `code` of the row's control into the model.
    // True when it was a user edit that the row's handler should follow.
    bool TakeUserInput(int row, UINT code);
    // The row's up (delta > 0) or down button was pressed. True when the row
    // is a spin field (the handler follows).
    bool TakeSpin(int row, int delta);
    // A notification of the row's list view: a selection change or a column
    // click goes into the model. True for a double-click on a row (the
    // handler follows).
    bool TakeNotify(int row, const NMHDR& header);

private:
    void Apply(size_t row);
    void ApplyList(size_t row, const workbench::ListModel& list);
    void ApplyProgress(HWND hwnd, const workbench::ProgressBar& bar);
    void ApplyReport(HWND hwnd, const workbench::ReportList& report);
    void SetText(HWND hwnd, const std::wstring& text);

    const FormWindows& windows_;
    std::array<workbench::Control*, kLayoutRows> models_{};
    // The entries each list control shows, to change only what differs.
    std::array<std::vector<std::wstring>, kLayoutRows> shown_{};
    // The progress bar's range, filled width and visibility as last shown,
    // and when it last moved (GetTickCount).
    struct ShownProgress {
        int min = -1, max = -1, pixels = -1;
        bool visible = false;
        DWORD movedAt = 0;
    } shownProgress_;
    // Set while the binding itself changes a control.
    bool applying_ = false;
};

}  // namespace rolemark_view
