#include "platform/dynamic_library.h"

#include <dlfcn.h>

TDynamicLibrary::~TDynamicLibrary() {
    if (handle_) dlclose(handle_);
}

bool TDynamicLibrary::Open(const std::string& path, std::string& error) {
    if (handle_) {
        dlclose(handle_);
        handle_ = nullptr;
    }
    // Everything resolved now, so a library with missing dependencies fails here and
    // not in the middle of a call.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* message = dlerror();
        error = message ? message : "cannot open " + path;
        return false;
    }
    return true;
}

void* TDynamicLibrary::Symbol(const std::string& name) const {
    if (!handle_ || name.empty()) return nullptr;
    dlerror();
    return dlsym(handle_, name.c_str());
}
