// The current user's registry, as far as the program and the plug-in use it:
// one key, typed values read and written as raw bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Value types, numbered as the registry numbers them.
enum RegType : uint32_t { RegNone = 0, RegSz = 1, RegExpandSz = 2, RegBinary = 3, RegDword = 4 };

struct RegValue {
    uint32_t type = RegNone;
    std::string data;  // the stored bytes, exactly as many as the registry holds
};

class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // Nothing when the value does not exist (or cannot be read).
    [[nodiscard]] virtual std::optional<RegValue> Read(const std::string& name) = 0;
    [[nodiscard]] virtual bool Write(const std::string& name, uint32_t type, const std::string& data) = 0;
};

class Registry {
public:
    virtual ~Registry() = default;
    // Opens an existing key under the current user's root; null when missing.
    virtual std::unique_ptr<RegistryKey> Open(const std::string& path) = 0;
    // Opens the key, creating it and any missing parent; null on failure.
    virtual std::unique_ptr<RegistryKey> Create(const std::string& path) = 0;
};

}  // namespace platform
