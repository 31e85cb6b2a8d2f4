// The built-in function registry: one growable table of entries, filled once at
// start-up from the registration routines' name tables.
#include "vm/registry.h"

#include <array>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

#include "data/error.h"
#include "platform/containers.h"

namespace {

constexpr int kGrowBy = 500;
constexpr size_t kMaxNameLength = sizeof(FunctionEntry::name) - 1;

// A stub cannot learn its entry from the call, so each one is a trampoline with
// its entry index baked in. The start-up tables hold about 1500 entries; the
// headroom is for anything registered later.
constexpr int kStubCount = 2048;

class CFunctionRegistry {
public:
    int Count() const { return m_count; }

    FunctionEntry* At(int index) { return index >= 0 && index < m_count ? &m_entries[index] : nullptr; }

    int Find(const char* name) const {
        if (name == nullptr || name[0] == '\0') return -1;
        const auto it = m_firstByName.find(name);
        return it == m_firstByName.end() ? -1 : it->second;
    }

    int Add(const char* name, TBuiltinFunction handler, int argumentCount);

private:
    cARRAY_STRUCTURE<FunctionEntry> m_entries;  // Length() is the capacity
    int m_count = 0;
    std::unordered_map<std::string, int> m_firstByName;
};

CFunctionRegistry& Registry() {
    static CFunctionRegistry registry;
    return registry;
}

void DefaultStubReporter(const std::string& message) { Code_ShowError(message, false); }

TFunctionStubReporter g_stubReporter = DefaultStubReporter;

// The result stays the real 0 the caller left in it.
void ReportMissing(int index) {
    FunctionEntry* entry = Registry().At(index);
    if (entry == nullptr || entry->stubReported) return;
    entry->stubReported = true;
    g_stubReporter(std::string("Function ") + entry->name + " is not implemented.");
}

template <int Index>
void StubHandler(CValue&, CInstance*, CInstance*, int, CValue*) {
    ReportMissing(Index);
}

template <int... Index>
constexpr std::array<TBuiltinFunction, sizeof...(Index)> MakeStubs(std::integer_sequence<int, Index...>) {
    return {{&StubHandler<Index>...}};
}

constexpr std::array<TBuiltinFunction, kStubCount> kStubs = MakeStubs(std::make_integer_sequence<int, kStubCount>{});

int CFunctionRegistry::Add(const char* name, TBuiltinFunction handler, int argumentCount) {
    if (name == nullptr || name[0] == '\0') return -1;
    const size_t length = std::strlen(name);
    if (length > kMaxNameLength) return -1;

    const int index = m_count;
    const int first = Find(name);
    bool implemented = handler != nullptr;
    if (!implemented) {
        // A second registration of a name shares the first one's stub, so the
        // function reports once however it is reached.
        if (first >= 0 && !m_entries[first].implemented) handler = m_entries[first].handler;
        else if (index < kStubCount) handler = kStubs[static_cast<size_t>(index)];
        else return -1;
    }

    if (m_count == m_entries.Length() && !m_entries.SetLength(m_entries.Length() + kGrowBy)) return -1;

    FunctionEntry& entry = m_entries[index];
    entry = FunctionEntry{};
    std::memcpy(entry.name, name, length + 1);
    entry.handler = handler;
    entry.argumentCount = argumentCount;
    entry.callCount = -1;
    entry.implemented = implemented;
    entry.stubReported = false;
    ++m_count;
    if (first < 0) m_firstByName.emplace(name, index);
    return index;
}

}  // namespace

namespace {
TFunctionRegistrar g_registrar = nullptr;
}  // namespace

void Function_SetRegistrar(TFunctionRegistrar registrar) { g_registrar = registrar; }

void Function_RegisterAll() {
    static bool registered = false;
    if (registered || !g_registrar) return;
    registered = true;
    g_registrar();
}

int Function_Register(const char* name, TBuiltinFunction handler, int argumentCount) {
    return Registry().Add(name, handler, argumentCount);
}

int Function_Count() { return Registry().Count(); }

const FunctionEntry* Function_Entry(int index) { return Registry().At(index); }

int Function_FindBuiltin(const char* name) { return Registry().Find(name); }

int Function_BuiltinArgCount(int index) {
    const FunctionEntry* entry = Registry().At(index);
    return entry ? entry->argumentCount : kFunctionUnknownCount;
}

bool Function_IsImplemented(int index) {
    const FunctionEntry* entry = Registry().At(index);
    return entry != nullptr && entry->implemented;
}

void Function_List(FILE* out) {
    if (out == nullptr) return;
    const int count = Function_Count();
    for (int i = 0; i < count; ++i) {
        const FunctionEntry* entry = Function_Entry(i);
        std::fprintf(out, "%s %d %s\n", entry->name, entry->argumentCount,
                     entry->implemented ? "implemented" : "not implemented");
    }
}

void Function_SetStubReporter(TFunctionStubReporter reporter) {
    g_stubReporter = reporter ? reporter : DefaultStubReporter;
}

void Function_ResetStubReports() {
    CFunctionRegistry& registry = Registry();
    for (int i = 0; i < registry.Count(); ++i) registry.At(i)->stubReported = false;
}
