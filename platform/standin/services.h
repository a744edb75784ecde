// In-process stand-ins for the Windows services, for native tests and for the
// portable core: each keeps its state in plain members that a test can set
// and inspect.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/window_list.h"

namespace platform::standin {

// The current user's registry as a map of keys to values.
class Registry : public platform::Registry {
public:
    std::unique_ptr<RegistryKey> Open(const std::string& path) override;
    std::unique_ptr<RegistryKey> Create(const std::string& path) override;

    std::map<std::string, std::map<std::string, RegValue>> keys;
    bool failWrites = false;   // every write is refused
    bool failCreate = false;   // Create cannot make or open the key
};

class Clock : public platform::Clock {
public:
    LocalTime Now() override { return now; }
    LocalTime now{2026, 12, 7, 10, 0, 0, 0};
};

class Clipboard : public platform::Clipboard {
public:
    bool Clear() override;
    std::optional<std::string> ReadText() override;
    bool SetText(const std::string& text) override;
    bool WaitUntilFree(unsigned) override { return !heldByOther; }
    uint32_t SequenceNumber() override { return sequence; }
    uint32_t OwnerProcess() override { return owner; }

    std::optional<std::string> text;  // nothing: the clipboard holds no text
    bool heldByOther = false;         // another program has it open
    uint32_t sequence = 1;            // moved by every Clear and SetText
    uint32_t owner = 0;               // the owner's process: 0 after Clear, `writer` after SetText
    uint32_t writer = 0;              // the process that calls SetText (0: one without a window)
};

class Shell : public platform::Shell {
public:
    struct Call { std::string verb, file; };
    void Execute(const std::string& verb, const std::string& file) override;

    std::vector<Call> calls;
    std::function<void(const Call&)> onExecute;
};

class WindowList : public platform::WindowList {
public:
    void ForEachTitle(const std::function<bool(const std::string&)>& visit) override;
    std::vector<std::string> titles;  // in enumeration order, titles cut to 255
    int enumerations = 0;
};

// A message queue of closures. Run has no other source of messages, so it
// returns once the queue is empty after an idle call (or when terminated).
class Application : public platform::Application {
public:
    std::string ExeName() const override { return exeName; }
    void Post(std::function<void()> message) { queue.push_back(std::move(message)); }
    void ProcessMessages() override;
    void Run() override;
    void Terminate() override { terminated = true; }
    bool Terminated() const override { return terminated; }

    std::deque<std::function<void()>> queue;
    std::string exeName = "C:\\Program Files\\Rolemark\\rolemark.exe";
    bool terminated = false;
    int processCalls = 0;
};

}  // namespace platform::standin
