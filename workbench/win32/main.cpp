// rolemark.exe: the program's start and end. It sets up the process (common
// controls, the one DDE instance, the real services, the user's decimal
// separator), creates the main window from its stored layout, runs FormCreate
// while the window is still hidden, shows the window unless a close was asked
// for, runs the message loop, and calls FormDestroy at every end.
#include <windows.h>
#include <commctrl.h>

#include "platform/locale.h"
#include "platform/win32/dde_conversation.h"
#include "platform/win32/services.h"
#include "workbench/rolemark.h"
#include "workbench/win32/view.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                                       ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    // NOTE: the DDE instance before any conversation, on this (the GUI)
    // thread, and it outlives them all.
    platform::win32::DdeInstance dde;
    platform::win32::Registry registry;
    platform::win32::Clipboard clipboard;
    platform::win32::Shell shell;
    platform::win32::WindowList windows;
    platform::win32::Application app;
    platform::win32::DdeConversation conversation;

    // Fields show numbers with the user's separator; a run switches to the
    // full stop for the host and back. Set before the form shows its defaults.
    platform::ProcessNumberFormat() = platform::UserNumberFormat();

    rolemark_view::RolemarkView view(app, instance);
    workbench::SetUpApplication(app, view);
    workbench::TRolemark form({registry, clipboard, shell, app, windows, conversation, view});

    if (!view.Create(form)) return 1;
    view.Call(&workbench::TRolemark::FormCreate);
    if (!form.CloseRequested() && !app.Terminated()) {
        view.Show(showCommand);
        view.Call(&workbench::TRolemark::FormShow);
        app.Run();
    }
    // NOTE: a quit still queued would end the modal loop of an error box
    // that FormDestroy may show; take it off first.
    if (app.Terminated()) app.ProcessMessages();
    view.Call(&workbench::TRolemark::FormDestroy);
    view.Destroy();
    return 0;
}
