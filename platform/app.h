// The application object: one replaceable idle handler and a message loop.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace platform {

class Application {
public:
    // A method reference (Sender, done flag in and out).
    using IdleHandler = std::function<void(void* sender, bool& done)>;

    virtual ~Application() = default;

    // The application title (the caption of error boxes).
    std::string Title;

    // The full path of the running program file.
    virtual std::string ExeName() const = 0;

    // Shows an exception that reached the loop (the application-wide handler:
    // an error box with the message and a full stop). Window procedures catch
    // and hand their exceptions here, since none may cross the system's frames.
    std::function<void(const std::exception& e)> OnException;
    void HandleException(const std::exception& e) {
        if (OnException) OnException(e);
    }

    IdleHandler OnIdle() const { return onIdle_; }
    void SetOnIdle(IdleHandler handler) { onIdle_ = std::move(handler); }

    // Handles every pending message once and returns; the idle handler is not
    // called (the loop does not fall idle).
    virtual void ProcessMessages() = 0;

    // The loop: each time the queue has been emptied it calls the idle handler
    // with done = true; while done stays true it then waits for the next
    // message. Returns when Terminate has been called.
    virtual void Run() = 0;
    virtual void Terminate() = 0;
    virtual bool Terminated() const = 0;

protected:
    // NOTE: the loop calls the handler through this, so a handler that swaps
    // itself out (a component being destroyed) is safe.
    void CallIdle(void* sender, bool& done) {
        if (onIdle_) {
            IdleHandler handler = onIdle_;
            handler(sender, done);
        }
    }

private:
    IdleHandler onIdle_;
};

}  // namespace platform
