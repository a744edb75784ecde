// The fixture of the main window's tests: the form over in-process services,
// a view that records its boxes and answers its dialogs from a script, and the
// host model behind the conversation. Numbers are shown with a comma, as on
// the users' systems.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "platform/standin/services.h"
#include "story_host.h"
#include "workbench/rolemark.h"

namespace testhost {

class RecordingView : public workbench::FormView {
public:
    struct Box {
        std::string text, caption;
        workbench::MessageIcon icon;
    };
    void ShowMessage(const std::string& text, const std::string& caption, workbench::MessageIcon icon) override {
        boxes.push_back({text, caption, icon});
        if (onBox) onBox(boxes.back());
    }
    std::optional<std::filesystem::path> ExecuteSaveDialog(const workbench::FileDialog& dialog) override {
        saveDialogs.push_back(dialog);
        return saveAnswer;
    }
    std::optional<std::filesystem::path> ExecuteOpenDialog(const workbench::FileDialog& dialog) override {
        openDialogs.push_back(dialog);
        return openAnswer;
    }
    void ShowBusy(bool on) override { busy.push_back(on); }
    void FocusControl(const workbench::Control& control) override { focused.push_back(control.Name()); }
    void Close() override { ++closes; }

    std::vector<Box> boxes;
    std::function<void(const Box&)> onBox;
    std::optional<std::filesystem::path> saveAnswer, openAnswer;
    std::vector<workbench::FileDialog> saveDialogs, openDialogs;
    std::vector<bool> busy;  // each change of the busy look
    std::vector<std::string> focused;  // the controls given the focus, by name
    int closes = 0;
};

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedNumbers_ = platform::ProcessNumberFormat();
        platform::ProcessNumberFormat().decimal = ',';
        windows.titles = {"Program Manager", "Adobe PageMaker 6.5 - [play.p65]"};
        form = std::make_unique<workbench::TRolemark>(
            workbench::Services{registry, clipboard, shell, app, windows, conversation, view});
    }
    void TearDown() override {
        form.reset();
        platform::ProcessNumberFormat() = savedNumbers_;
    }

    // A new form over fresh recorders, registry and windows; the host keeps
    // its story and styles.
    void Restart() {
        form.reset();
        view = RecordingView{};
        registry.keys.clear();
        app.terminated = false;
        windows.titles = {"Program Manager", "Adobe PageMaker 6.5 - [play.p65]"};
        windows.enumerations = 0;
        host.transcript.clear();
        host.replies.clear();
        form = std::make_unique<workbench::TRolemark>(
            workbench::Services{registry, clipboard, shell, app, windows, conversation, view});
    }

    // The registry as a start from the plug-in leaves it.
    void MarkStartFromPlugin(uint32_t fromAdd = 1) {
        auto& key = registry.keys[workbench::kRegistryKey];
        key["AppPath"] = {platform::RegSz, std::string("C:\\old\\rolemark.exe") + '\0'};
        key["FromAdd"] = {platform::RegDword, std::string(reinterpret_cast<const char*>(&fromAdd), 4)};
    }

    // Adds names to the list as the user does.
    void AddNames(std::initializer_list<std::string> names) {
        for (const std::string& name : names) {
            form->NamesEdit.UserText(name);
            form->Button1Click();
        }
    }

    // The user clicks `box` (focus moves to it, its check flips).
    void Click(workbench::CheckBox& box) {
        form->ActiveControl = &box;
        box.UserCheck(!box.Checked());
    }

    std::vector<std::string> TakeTranscript() {
        std::vector<std::string> taken;
        taken.swap(host.transcript);
        return taken;
    }

    platform::standin::Registry registry;
    platform::standin::Clipboard clipboard;
    platform::standin::Shell shell;
    platform::standin::Application app;
    platform::standin::WindowList windows;
    StoryHost host{clipboard};
    LoggingConversation conversation{host};
    RecordingView view;
    std::unique_ptr<workbench::TRolemark> form;

private:
    platform::NumberFormat savedNumbers_;
};

// The message of the exception `f` throws, or "<no exception>".
template <class F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "<no exception>";
}

}  // namespace testhost
