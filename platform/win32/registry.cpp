// The current user's registry through the ANSI registry calls: one open key
// per RegistryKey object, closed when the object goes.
#include <windows.h>

#include "platform/win32/services.h"

namespace platform::win32 {
namespace {

class Key : public RegistryKey {
public:
    explicit Key(HKEY key) : key_(key) {}
    ~Key() override { RegCloseKey(key_); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    std::optional<RegValue> Read(const std::string& name) override {
        // NOTE: the value may grow between the size query and the read
        // (another process writing it); ERROR_MORE_DATA sends us round again
        // with the new size, a few times at most.
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = REG_NONE, size = 0;
            if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
                return std::nullopt;
            std::string data(size, '\0');
            DWORD got = size;
            LONG status = RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(data.data()), &got);
            if (status == ERROR_MORE_DATA) continue;
            if (status != ERROR_SUCCESS) return std::nullopt;
            data.resize(got < size ? got : size);
            return RegValue{type, std::move(data)};
        }
        return std::nullopt;
    }

    bool Write(const std::string& name, uint32_t type, const std::string& data) override {
        if (data.size() > MAXDWORD) return false;
        return RegSetValueExA(key_, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }

private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Registry::Open(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Key>(key);
}

std::unique_ptr<RegistryKey> Registry::Create(const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Key>(key);
}

}  // namespace platform::win32
