// The running-application check: one walk over the top-level windows per
// idle moment, events after the walk, then the displaced idle handler.
#include "onlyrun/onlyrun.h"

#include <algorithm>

namespace {

// The most a title read can hold (a 256-byte buffer with its zero).
constexpr size_t kMaxTitle = 255;

// The working data of one check; it lives on the checking call's stack and
// reaches the enumeration through the visit closure.
struct Search {
    const std::vector<std::string>& titles;
    bool found = false;
    std::string foundApp;
};

// True when `title` begins with the first 255 bytes of `entry`. A title
// shorter than the entry never matches it.
bool TitleMatches(const std::string& title, const std::string& entry) {
    size_t length = std::min(entry.size(), kMaxTitle);
    return title.size() >= length && title.compare(0, length, entry, 0, length) == 0;
}

}  // namespace

TOnlyIfRunning::TOnlyIfRunning(platform::Application& app, platform::WindowList& windows)
    : FApp(app), FWindows(windows) {}

TOnlyIfRunning::~TOnlyIfRunning() {
    if (FInstalled) FApp.SetOnIdle(FSavedIdle);
}

void TOnlyIfRunning::Loaded() {
    // A second install would save our own handler and chain it to itself.
    if (FInstalled) return;
    FSavedIdle = FApp.OnIdle();
    FApp.SetOnIdle([this](void* sender, bool& done) { ApplicationIdle(sender, done); });
    FInstalled = true;
}

void TOnlyIfRunning::ApplicationIdle(void* sender, bool& done) {
    Search search{FAppTitles, false, std::string()};
    FWindows.ForEachTitle([&search](const std::string& title) {
        if (title.empty() || search.titles.empty()) return true;
        bool matched = false;
        // Every entry is tried: a later entry that matches too wins.
        for (const std::string& entry : search.titles) {
            if (TitleMatches(title, entry)) {
                search.foundApp = entry;
                matched = true;
            }
        }
        if (matched) search.found = true;
        return !matched;  // the first matching window ends the walk
    });

    // NOTE: an event handler may close the owning window and so destroy this
    // component; everything used after the events is copied first, and the
    // event itself runs from a copy, so nothing of the component is touched
    // once an event has started.
    platform::Application::IdleHandler chained = FSavedIdle;
    TOnApplicationNotFound event = search.found ? OnApplicationFound : OnApplicationNotFound;
    if (event) event(*this, search.found ? search.foundApp : std::string());
    if (chained) chained(sender, done);
}

void TOnlyIfRunning::SetAppTitles(const std::vector<std::string>& titles) {
    FAppTitles = titles;
}

void TOnlyIfRunning::CheckRunning() {
    bool done = true;
    ApplicationIdle(this, done);
}
