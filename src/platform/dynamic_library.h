#pragma once
// A dynamic library opened with the platform's loader, closed when the object goes.
#include <string>

class TDynamicLibrary {
public:
    TDynamicLibrary() = default;
    ~TDynamicLibrary();
    TDynamicLibrary(const TDynamicLibrary&) = delete;
    TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

    // Opens `path` (a name without "/" goes through the loader's own search). False
    // with `error` set to the loader's message when it cannot be opened.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return handle_ != nullptr; }

    // The address of an exported symbol, or null.
    void* Symbol(const std::string& name) const;

private:
    void* handle_ = nullptr;
};
