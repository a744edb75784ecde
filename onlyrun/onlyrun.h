// TOnlyIfRunning: tells its owner whether another application is running,
// recognised by the title of one of its top-level windows.
//
// The component hooks into the application's idle notification and checks at
// every idle moment (and on demand, CheckRunning) whether a top-level window
// exists whose title begins with one of AppTitles; after each check it fires
// OnApplicationFound or OnApplicationNotFound, then calls the idle handler it
// displaced. Matching is byte for byte and case-sensitive; hidden windows and
// the program's own count; an entry is compared by its first 255 bytes (the
// most a title read can hold); an empty entry matches any titled window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/window_list.h"

class TOnlyIfRunning;

// Both events: the component, and the AppTitles entry that matched (empty
// when none did).
using TOnApplicationNotFound = std::function<void(TOnlyIfRunning& sender, const std::string& foundApp)>;

class TOnlyIfRunning {
public:
    // Both services must outlive the component. AppTitles starts empty and
    // nothing is hooked until Loaded.
    TOnlyIfRunning(platform::Application& app, platform::WindowList& windows);
    // Puts the displaced idle handler back (only if Loaded installed ours).
    virtual ~TOnlyIfRunning();
    TOnlyIfRunning(const TOnlyIfRunning&) = delete;
    TOnlyIfRunning& operator=(const TOnlyIfRunning&) = delete;

    TOnApplicationNotFound OnApplicationNotFound;
    TOnApplicationNotFound OnApplicationFound;

    const std::vector<std::string>& AppTitles() const { return FAppTitles; }

    // Saves the application's idle handler and installs ApplicationIdle in
    // its place. A second call changes nothing.
    virtual void Loaded();
    // One check, its event, then the saved idle handler with the same sender
    // and done flag. The check itself never changes `done`.
    virtual void ApplicationIdle(void* sender, bool& done);
    // Replaces AppTitles with a copy of `titles`.
    virtual void SetAppTitles(const std::vector<std::string>& titles);
    // ApplicationIdle(this, a local done flag that starts true).
    virtual void CheckRunning();

private:
    platform::Application& FApp;
    platform::WindowList& FWindows;
    std::vector<std::string> FAppTitles;
    platform::Application::IdleHandler FSavedIdle;
    bool FInstalled = false;
};
