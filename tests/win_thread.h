// A second thread for the Windows tests. The Windows programs are built with
// the win32 thread model (it needs nothing newer than Windows XP), whose C++
// library has no std::thread.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

class WinThread {
public:
    WinThread() = default;
    explicit WinThread(std::function<void()> body) : body_(new std::function<void()>(std::move(body))) {
        handle_ = CreateThread(nullptr, 0, &Run, body_, 0, nullptr);
    }
    WinThread(WinThread&& other) noexcept { *this = std::move(other); }
    WinThread& operator=(WinThread&& other) noexcept {
        Join();
        std::swap(handle_, other.handle_);
        std::swap(body_, other.body_);
        return *this;
    }
    ~WinThread() { Join(); }

    void Join() {
        if (handle_) {
            WaitForSingleObject(handle_, INFINITE);
            CloseHandle(handle_);
            handle_ = nullptr;
        }
        delete body_;
        body_ = nullptr;
    }

private:
    static DWORD WINAPI Run(void* body) {
        (*static_cast<std::function<void()>*>(body))();
        return 0;
    }

    HANDLE handle_ = nullptr;
    std::function<void()>* body_ = nullptr;
};
