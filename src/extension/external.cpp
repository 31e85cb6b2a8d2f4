#include "extension/external.h"

#include <ffi.h>

#include <filesystem>
#include <map>
#include <memory>

#include "io/file_paths.h"
#include "platform/console.h"
#include "platform/dynamic_library.h"

namespace {

struct CExternalFunction {
    std::string library;  // the resolved path
    std::string name;
    std::weak_ptr<TDynamicLibrary> handle;  // expires when the library is freed
    void* address = nullptr;
    CExternalSignature signature;
    // libffi keeps a pointer to the type list, so both live with the record.
    std::vector<ffi_type*> types;
    ffi_cif cif{};
};

struct CExternalState {
    std::map<std::string, std::shared_ptr<TDynamicLibrary>> libraries;
    std::vector<std::unique_ptr<CExternalFunction>> functions;
    bool trace = false;
};

CExternalState& State() {
    static CExternalState state;
    return state;
}

// A library is a game file when one exists in the save area or the game directory;
// otherwise the name goes to the loader as it is (system libraries, LD_LIBRARY_PATH).
std::string ResolveLibrary(const std::string& name) {
    const std::string path = FilePaths_Resolve(name);
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) return path;
    return name;
}

}  // namespace

std::string External_CheckSignature(const CExternalSignature& signature) {
    if (signature.argTypes.size() > size_t(kExternalMaxArgs)) return "DLL functions can have at most 16 arguments";
    if (signature.argTypes.size() > size_t(kExternalMaxStringArgs))
        for (int type : signature.argTypes)
            if (type == kExternalString) return "DLL functions with more than 4 arguments cannot have string arguments";
    return {};
}

std::string External_DecoratedName(const std::string& name, const std::vector<int>& argTypes) {
    int bytes = 0;
    for (int type : argTypes) bytes += type == kExternalString ? 4 : 8;
    return "_" + name + "@" + std::to_string(bytes);
}

int External_Define(const std::string& library, const std::string& name, const CExternalSignature& signature,
                    std::string& error) {
    CExternalState& s = State();
    error = External_CheckSignature(signature);
    if (!error.empty()) return -1;
    if (library.empty() || name.empty()) {
        error = "a library and a function name are needed";
        return -1;
    }
    const std::string path = ResolveLibrary(library);
    std::shared_ptr<TDynamicLibrary>& shared = s.libraries[path];
    if (!shared) {
        auto opened = std::make_shared<TDynamicLibrary>();
        std::string why;
        if (!opened->Open(path, why)) {
            s.libraries.erase(path);
            error = why;  // the loader's message names the file
            return -1;
        }
        shared = std::move(opened);
    }
    // Decorated names are how 32-bit stdcall exports look; libraries made with such
    // tools keep them, so the plain name is tried first and the decorated one next.
    void* address = shared->Symbol(name);
    const std::string decorated = External_DecoratedName(name, signature.argTypes);
    if (!address) address = shared->Symbol(decorated);
    if (!address) {
        error = "the library " + path + " has no function " + name + " (nor " + decorated + ")";
        return -1;
    }

    auto fn = std::make_unique<CExternalFunction>();
    fn->library = path;
    fn->name = name;
    fn->handle = shared;
    fn->address = address;
    fn->signature = signature;
    for (int type : signature.argTypes)
        fn->types.push_back(type == kExternalString ? &ffi_type_pointer : &ffi_type_double);
    ffi_type* result = signature.resultType == kExternalString ? &ffi_type_pointer : &ffi_type_double;
    // stdcall only means something to 32-bit Windows; here every call is the platform's
    // one C convention.
    if (ffi_prep_cif(&fn->cif, FFI_DEFAULT_ABI, unsigned(fn->types.size()), result, fn->types.data()) != FFI_OK) {
        error = "cannot prepare the call of " + name;
        return -1;
    }
    s.functions.push_back(std::move(fn));
    const int id = int(s.functions.size()) - 1;
    if (s.trace)
        Console().Output("external_define(\"%s\", \"%s\") = %d (%zu arguments)\n", path.c_str(), name.c_str(), id,
                         signature.argTypes.size());
    return id;
}

bool External_Call(int id, int argc, const CValue* args, CValue& result) {
    CExternalState& s = State();
    result.SetReal(0);
    if (id < 0 || size_t(id) >= s.functions.size() || !s.functions[size_t(id)]) return false;
    CExternalFunction& fn = *s.functions[size_t(id)];
    const std::shared_ptr<TDynamicLibrary> library = fn.handle.lock();
    const size_t n = fn.signature.argTypes.size();
    if (!library || argc < 0 || size_t(argc) != n || (n > 0 && !args)) {
        if (s.trace) Console().Output("external_call(%d): not called (%d arguments)\n", id, argc);
        return false;
    }

    // Every argument is converted to its declared type before the call.
    double reals[kExternalMaxArgs];
    const char* texts[kExternalMaxArgs];
    std::string forms[kExternalMaxArgs];
    void* values[kExternalMaxArgs];
    for (size_t i = 0; i < n; ++i) {
        const CValue& a = args[i];
        if (fn.signature.argTypes[i] == kExternalString) {
            if (a.IsString()) texts[i] = a.Text();
            else {
                forms[i] = Real_ToStringForm(a.val);
                texts[i] = forms[i].c_str();
            }
            values[i] = &texts[i];
        } else {
            reals[i] = a.IsReal() ? a.val : Text_ToReal(a.Text());
            values[i] = &reals[i];
        }
    }
    if (s.trace) Console().Output("external_call(%d) %s\n", id, fn.name.c_str());
    if (fn.signature.resultType == kExternalString) {
        // The library keeps its buffer: the text is copied before anything else runs.
        ffi_arg raw = 0;
        ffi_call(&fn.cif, FFI_FN(fn.address), &raw, values);
        const char* text = reinterpret_cast<const char*>(raw);
        result.SetString(text ? text : "");
    } else {
        double real = 0;
        ffi_call(&fn.cif, FFI_FN(fn.address), &real, values);
        result.SetReal(real);
    }
    return true;
}

bool External_Free(const std::string& library) {
    CExternalState& s = State();
    const auto it = s.libraries.find(ResolveLibrary(library));
    if (it == s.libraries.end()) return false;
    if (s.trace) Console().Output("external_free(\"%s\")\n", it->first.c_str());
    s.libraries.erase(it);
    return true;
}

int External_OpenLibraryCount() { return int(State().libraries.size()); }

void External_SetTrace(bool on) { State().trace = on; }

void External_Reset() {
    CExternalState& s = State();
    s.functions.clear();
    s.libraries.clear();
}
