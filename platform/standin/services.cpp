#include "platform/standin/services.h"

namespace platform::standin {
namespace {

class Key : public RegistryKey {
public:
    Key(Registry& owner, std::map<std::string, RegValue>& values) : owner_(owner), values_(values) {}
    std::optional<RegValue> Read(const std::string& name) override {
        auto it = values_.find(name);
        if (it == values_.end()) return std::nullopt;
        return it->second;
    }
    bool Write(const std::string& name, uint32_t type, const std::string& data) override {
        if (owner_.failWrites) return false;
        values_[name] = RegValue{type, data};
        return true;
    }

private:
    Registry& owner_;
    std::map<std::string, RegValue>& values_;
};

}  // namespace

std::unique_ptr<RegistryKey> Registry::Open(const std::string& path) {
    auto it = keys.find(path);
    if (it == keys.end()) return nullptr;
    return std::make_unique<Key>(*this, it->second);
}

std::unique_ptr<RegistryKey> Registry::Create(const std::string& path) {
    if (failCreate) return nullptr;
    return std::make_unique<Key>(*this, keys[path]);
}

bool Clipboard::Clear() {
    if (heldByOther) return false;
    text.reset();
    ++sequence;
    owner = 0;
    return true;
}

std::optional<std::string> Clipboard::ReadText() {
    if (heldByOther) return std::nullopt;
    return text.value_or(std::string());
}

bool Clipboard::SetText(const std::string& value) {
    if (heldByOther) return false;
    text = value;
    ++sequence;
    owner = writer;
    return true;
}

void Shell::Execute(const std::string& verb, const std::string& file) {
    calls.push_back({verb, file});
    if (onExecute) onExecute(calls.back());
}

void WindowList::ForEachTitle(const std::function<bool(const std::string&)>& visit) {
    ++enumerations;
    for (const std::string& title : titles)
        if (!visit(title.substr(0, 255))) return;
}

void Application::ProcessMessages() {
    ++processCalls;
    while (!queue.empty()) {
        auto message = std::move(queue.front());
        queue.pop_front();
        message();
    }
}

void Application::Run() {
    while (!terminated) {
        while (!queue.empty() && !terminated) {
            auto message = std::move(queue.front());
            queue.pop_front();
            message();
        }
        if (terminated) break;
        bool done = true;
        CallIdle(this, done);
        if (queue.empty()) break;
    }
}

}  // namespace platform::standin
