// The one way to say "whatever way this scope ends, do this": the clean-up is
// written once, where the thing it undoes begins.
//     const ScopeExit closeLink([&] { pm.CloseLink(); });
#pragma once

#include <utility>

template <class Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Action action_;
};
