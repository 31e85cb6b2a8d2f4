#include "variable/variables.h"

#include <cmath>
#include <deque>
#include <iterator>
#include <memory>
#include <unordered_map>
#include <vector>

#include "data/error.h"
#include "data/game.h"
#include "io/stream.h"
#include "platform/console.h"
#include "variable/builtin_field.h"
#include "variable/instance.h"

namespace variable_detail {
const CBuiltinVariable* g_builtinEntries = nullptr;
int32_t g_builtinCount = 0;
CInstanceField g_builtinFields[kBuiltinVariableCapacity];
}  // namespace variable_detail

namespace {

// --- names -----------------------------------------------------------------------------

struct TNameTable {
    std::deque<std::string> names;  // a deque keeps every name's text in place as it grows
    std::unordered_map<std::string, int32_t> ids;
};

TNameTable& Names() {
    static TNameTable table;
    return table;
}

// --- built-in table --------------------------------------------------------------------

struct TBuiltinTable {
    std::vector<CBuiltinVariable> entries;
    bool registered = false;
    TBuiltinTable() {
        entries.reserve(kBuiltinVariableCapacity);  // never moves: names stay put
        variable_detail::g_builtinEntries = entries.data();
    }
};

TBuiltinTable& Builtins() {
    static TBuiltinTable table;
    return table;
}

bool g_debugMode = false;
bool g_argumentRelative = false;

// --- global scope ----------------------------------------------------------------------

constexpr size_t kGlobalFlagsInitial = 10000;
constexpr size_t kGlobalFlagsStep = 1000;
constexpr int32_t kGlobalStreamVersion = 700;

CGlobalScope& Global() { return *Game().globals; }

std::vector<std::unique_ptr<CVariableList>>& LocalPool() {
    static std::vector<std::unique_ptr<CVariableList>> pool;
    return pool;
}

// --- built-in handlers -----------------------------------------------------------------

// A setter storing into an integer field rounds half to even first.
bool RoundsToNonZero(double v) { return std::nearbyint(v) != 0.0; }

bool GetArgumentRelative(CInstance*, int32_t, CValue& result) {
    result.SetReal(g_argumentRelative ? 1.0 : 0.0);
    return true;
}

int ArgumentSlot(int32_t index) { return index >= 0 && index < kArgumentSlotCount ? index : 0; }

bool GetArgument(CInstance*, int32_t index, CValue& result) {
    result.Copy(Game().arguments.slots[ArgumentSlot(index)]);
    return true;
}

bool SetArgument(CInstance*, int32_t index, const CValue& value) {
    Game().arguments.slots[ArgumentSlot(index)].Copy(value);
    Game().arguments.Touch(ArgumentSlot(index));
    return true;
}

template <int N>
bool GetArgumentN(CInstance*, int32_t, CValue& result) {
    result.Copy(Game().arguments.slots[N]);
    return true;
}

template <int N>
bool SetArgumentN(CInstance*, int32_t, const CValue& value) {
    Game().arguments.slots[N].Copy(value);
    Game().arguments.Touch(N);
    return true;
}

bool GetArgumentCount(CInstance*, int32_t, CValue& result) {
    result.SetReal(Game().arguments.count);
    return true;
}

bool GetDebugMode(CInstance*, int32_t, CValue& result) {
    result.SetReal(g_debugMode ? 1.0 : 0.0);
    return true;
}

bool GetErrorOccurred(CInstance*, int32_t, CValue& result) {
    result.SetReal(Game().error.occurred ? 1.0 : 0.0);
    return true;
}

bool SetErrorOccurred(CInstance*, int32_t, const CValue& value) {
    Game().error.occurred = RoundsToNonZero(value.val);
    return true;
}

bool GetErrorLast(CInstance*, int32_t, CValue& result) {
    result.SetString(Game().error.last);
    return true;
}

// Like the numeric setters, the kind goes unchecked: a real written here stores no text.
bool SetErrorLast(CInstance*, int32_t, const CValue& value) {
    Game().error.last = value.Text();
    return true;
}

bool GetPending(CInstance*, int32_t, CValue& result) {
    result.SetReal(0.0);
    return true;
}

bool SetPending(CInstance*, int32_t, const CValue&) { return true; }

struct TBuiltinDef {
    const char* name;
    bool writable;
    TBuiltinGetter getter;
    TBuiltinSetter setter;
};

constexpr bool kRW = true;
constexpr bool kRO = false;

// An entry whose field belongs to a later subsystem (see the table).
constexpr TBuiltinDef P(const char* name, bool writable) {
    return {name, writable, GetPending, writable ? SetPending : nullptr};
}

#define ARGUMENT_N(n) \
    { "argument" #n, kRW, GetArgumentN<n>, SetArgumentN<n> }

// Every built-in variable, in id order. The entries made with P() stand for fields that
// rooms, views, instances, input and the rest own: until those subsystems connect their
// handlers (Variable_ConnectBuiltin), a read gives the real 0 and a write to a writable
// one is accepted and dropped. Read-only entries refuse writes already.
const TBuiltinDef kBuiltinDefs[] = {
    // Arguments.
    {"argument_relative", kRO, GetArgumentRelative, nullptr},
    {"argument", kRW, GetArgument, SetArgument},
    ARGUMENT_N(0),
    ARGUMENT_N(1),
    ARGUMENT_N(2),
    ARGUMENT_N(3),
    ARGUMENT_N(4),
    ARGUMENT_N(5),
    ARGUMENT_N(6),
    ARGUMENT_N(7),
    ARGUMENT_N(8),
    ARGUMENT_N(9),
    ARGUMENT_N(10),
    ARGUMENT_N(11),
    ARGUMENT_N(12),
    ARGUMENT_N(13),
    ARGUMENT_N(14),
    ARGUMENT_N(15),
    {"argument_count", kRO, GetArgumentCount, nullptr},
    {"debug_mode", kRO, GetDebugMode, nullptr},
    // Rooms and transitions.
    P("room", kRW),
    P("room_first", kRO),
    P("room_last", kRO),
    P("transition_kind", kRW),
    P("transition_steps", kRW),
    P("room_width", kRO),
    P("room_height", kRO),
    P("room_caption", kRW),
    P("room_speed", kRW),
    P("room_persistent", kRW),
    // Score, lives and health.
    P("score", kRW),
    P("lives", kRW),
    P("health", kRW),
    P("show_score", kRW),
    P("show_lives", kRW),
    P("show_health", kRW),
    P("caption_score", kRW),
    P("caption_lives", kRW),
    P("caption_health", kRW),
    // Game and files.
    P("game_id", kRO),
    P("game_guid", kRO),
    P("working_directory", kRO),
    P("temp_directory", kRO),
    P("program_directory", kRO),
    P("secure_mode", kRO),
    // Instances.
    P("instance_count", kRO),
    P("instance_id", kRO),
    // Backgrounds (the indexed ones take 0..7).
    P("background_color", kRW),
    P("background_showcolor", kRW),
    P("background_visible", kRW),
    P("background_foreground", kRW),
    P("background_index", kRW),
    P("background_x", kRW),
    P("background_y", kRW),
    P("background_width", kRO),
    P("background_height", kRO),
    P("background_htiled", kRW),
    P("background_vtiled", kRW),
    P("background_xscale", kRW),
    P("background_yscale", kRW),
    P("background_hspeed", kRW),
    P("background_vspeed", kRW),
    P("background_blend", kRW),
    P("background_alpha", kRW),
    // Views (the indexed ones take 0..7).
    P("view_enabled", kRW),
    P("view_current", kRO),
    P("view_visible", kRW),
    P("view_xview", kRW),
    P("view_yview", kRW),
    P("view_wview", kRW),
    P("view_hview", kRW),
    P("view_xport", kRW),
    P("view_yport", kRW),
    P("view_wport", kRW),
    P("view_hport", kRW),
    P("view_angle", kRW),
    P("view_hborder", kRW),
    P("view_vborder", kRW),
    P("view_hspeed", kRW),
    P("view_vspeed", kRW),
    P("view_object", kRW),
    P("view_surface_id", kRW),
    // Input.
    P("mouse_x", kRO),
    P("mouse_y", kRO),
    P("mouse_button", kRW),
    P("mouse_lastbutton", kRW),
    P("keyboard_key", kRW),
    P("keyboard_lastkey", kRW),
    P("keyboard_lastchar", kRW),
    P("keyboard_string", kRW),
    P("cursor_sprite", kRW),
    // Time.
    P("fps", kRO),
    P("current_time", kRO),
    P("current_year", kRO),
    P("current_month", kRO),
    P("current_day", kRO),
    P("current_weekday", kRO),
    P("current_hour", kRO),
    P("current_minute", kRO),
    P("current_second", kRO),
    // Events.
    P("event_type", kRO),
    P("event_number", kRO),
    P("event_object", kRO),
    P("event_action", kRO),
    // Errors.
    {"error_occurred", kRW, GetErrorOccurred, SetErrorOccurred},
    {"error_last", kRW, GetErrorLast, SetErrorLast},
    // Instance motion.
    P("x", kRW),
    P("y", kRW),
    P("xprevious", kRW),
    P("yprevious", kRW),
    P("xstart", kRW),
    P("ystart", kRW),
    P("hspeed", kRW),
    P("vspeed", kRW),
    P("direction", kRW),
    P("speed", kRW),
    P("friction", kRW),
    P("gravity", kRW),
    P("gravity_direction", kRW),
    // Instance identity and flags (alarm takes 0..11).
    P("object_index", kRO),
    P("id", kRO),
    P("alarm", kRW),
    P("solid", kRW),
    P("visible", kRW),
    P("persistent", kRW),
    P("depth", kRW),
    // Instance box and sprite.
    P("bbox_left", kRO),
    P("bbox_right", kRO),
    P("bbox_top", kRO),
    P("bbox_bottom", kRO),
    P("sprite_index", kRW),
    P("image_index", kRW),
    P("image_single", kRW),
    P("image_number", kRO),
    P("sprite_width", kRO),
    P("sprite_height", kRO),
    P("sprite_xoffset", kRO),
    P("sprite_yoffset", kRO),
    P("image_xscale", kRW),
    P("image_yscale", kRW),
    P("image_angle", kRW),
    P("image_alpha", kRW),
    P("image_blend", kRW),
    P("image_speed", kRW),
    P("mask_index", kRW),
    // Instance path.
    P("path_index", kRO),
    P("path_position", kRW),
    P("path_positionprevious", kRW),
    P("path_speed", kRW),
    P("path_scale", kRW),
    P("path_orientation", kRW),
    P("path_endaction", kRW),
    // Instance time line.
    P("timeline_index", kRW),
    P("timeline_position", kRW),
    P("timeline_speed", kRW),
    P("timeline_running", kRW),
    P("timeline_loop", kRW),
    // Asynchronous results.
    P("async_load", kRO),
    // Physics.
    P("phy_rotation", kRW),
    P("phy_position_x", kRW),
    P("phy_position_y", kRW),
    P("phy_angular_velocity", kRW),
    P("phy_linear_velocity_x", kRW),
    P("phy_linear_velocity_y", kRW),
    P("phy_speed_x", kRW),
    P("phy_speed_y", kRW),
    P("phy_bullet", kRW),
    P("phy_fixed_rotation", kRW),
    P("phy_active", kRW),
    P("phy_mass", kRO),
    P("phy_inertia", kRO),
    P("phy_com_x", kRO),
    P("phy_com_y", kRO),
    P("phy_dynamic", kRO),
    P("phy_kinematic", kRO),
    P("phy_sleeping", kRO),
    P("phy_collision_points", kRO),
    P("phy_collision_x", kRO),
    P("phy_collision_y", kRO),
    P("phy_col_normal_x", kRO),
    P("phy_col_normal_y", kRO),
    // Display and platform.
    P("display_aa", kRO),
    P("delta_time", kRO),
    P("webgl_enabled", kRO),
    P("os_type", kRO),
    P("os_device", kRO),
    P("os_version", kRO),
    P("os_browser", kRO),
    P("browser_width", kRO),
    P("browser_height", kRO),
};

#undef ARGUMENT_N

static_assert(std::size(kBuiltinDefs) <= kBuiltinVariableCapacity);

CBuiltinVariable* FindBuiltin(std::string_view name) {
    for (CBuiltinVariable& entry : Builtins().entries)
        if (entry.name == name) return &entry;
    return nullptr;
}

}  // namespace

// --- names and ids ---------------------------------------------------------------------

int32_t Variable_Find(std::string_view name) {
    Variable_RegisterBuiltins();
    const std::vector<CBuiltinVariable>& builtins = Builtins().entries;
    for (size_t i = 0; i < builtins.size(); ++i)
        if (builtins[i].name == name) return static_cast<int32_t>(i);
    TNameTable& table = Names();
    std::string key(name);
    if (const auto it = table.ids.find(key); it != table.ids.end()) return it->second;
    const int32_t id = kUserVariableBase + static_cast<int32_t>(table.names.size());
    table.names.push_back(key);
    table.ids.emplace(std::move(key), id);
    return id;
}

const char* Variable_Name(int32_t id) {
    if (id < kUserVariableBase) {
        const CBuiltinVariable* entry = Variable_Builtin(id);
        return entry ? entry->name.c_str() : "<unknown built-in variable>";
    }
    const std::deque<std::string>& names = Names().names;
    const size_t n = static_cast<size_t>(id - kUserVariableBase);
    return n < names.size() ? names[n].c_str() : "<unknown variable>";
}

int Variable_NameCount() { return static_cast<int>(Names().names.size()); }

// --- the built-in table ----------------------------------------------------------------

void Variable_RegisterBuiltins() {
    TBuiltinTable& table = Builtins();
    if (table.registered) return;
    table.registered = true;
    for (const TBuiltinDef& def : kBuiltinDefs)
        Variable_RegisterBuiltin(def.name, def.getter, def.setter, def.writable);
}

bool Variable_RegisterBuiltin(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter, bool writable) {
    std::vector<CBuiltinVariable>& entries = Builtins().entries;
    if (entries.size() >= static_cast<size_t>(kBuiltinVariableCapacity)) {
        Console().Output("INTERNAL ERROR: Adding too many variables\n");
        return false;
    }
    entries.push_back(CBuiltinVariable{std::string(name), getter, setter, writable});
    variable_detail::g_builtinCount = static_cast<int32_t>(entries.size());
    return true;
}

bool Variable_ConnectBuiltin(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter) {
    return Variable_ConnectBuiltinField(name, getter, setter, CInstanceField{});
}

bool Variable_ConnectBuiltinField(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter,
                                  CInstanceField field) {
    Variable_RegisterBuiltins();
    CBuiltinVariable* entry = FindBuiltin(name);
    if (entry == nullptr) return false;
    entry->getter = getter;
    entry->setter = setter;
    variable_detail::g_builtinFields[entry - Builtins().entries.data()] = getter ? field : CInstanceField{};
    return true;
}

int Variable_BuiltinCount() { return static_cast<int>(Builtins().entries.size()); }

const CBuiltinVariable* Variable_Builtin(int32_t index) {
    const std::vector<CBuiltinVariable>& entries = Builtins().entries;
    return index >= 0 && static_cast<size_t>(index) < entries.size() ? &entries[static_cast<size_t>(index)] : nullptr;
}

void Variable_SetDebugMode(bool debug) { g_debugMode = debug; }
void Variable_SetArgumentRelative(bool relative) { g_argumentRelative = relative; }

// --- scopes ----------------------------------------------------------------------------

bool Variable_InstanceGet(CInstance* instance, int32_t id, int32_t index, CValue& result) {
    Game().indexError = false;
    if (id >= kUserVariableStorageBase) {
        if (instance == nullptr || !instance->variables) {
            result.Release();
            return false;
        }
        return instance->variables->Get(id, index, result);
    }
    const CBuiltinVariable* entry = Variable_Builtin(id);
    if (entry == nullptr || entry->getter == nullptr) {
        result.Release();
        return false;
    }
    return entry->getter(instance, index, result);
}

bool Variable_InstanceSet(CInstance* instance, int32_t id, int32_t index, const CValue& value) {
    Game().indexError = false;
    if (id >= kUserVariableStorageBase) {
        if (instance == nullptr || !instance->variables) return false;
        return instance->variables->Set(id, index, value);
    }
    const CBuiltinVariable* entry = Variable_Builtin(id);
    if (entry == nullptr || !entry->writable || entry->setter == nullptr) return false;
    return entry->setter(instance, index, value);
}

CGlobalScope::CGlobalScope()
    : list(std::make_unique<CVariableList>()), declared(std::vector<uint8_t>(kGlobalFlagsInitial, 0)) {}

void Variable_StartGlobals() {
    CGlobalScope& global = Global();
    global.list = std::make_unique<CVariableList>();
    global.declared.assign(kGlobalFlagsInitial, 0);
}

bool Variable_GlobalGet(int32_t id, int32_t index, CValue& result) { return Global().list->Get(id, index, result); }

bool Variable_GlobalSet(int32_t id, int32_t index, const CValue& value) { return Global().list->Set(id, index, value); }

void Variable_DeclareGlobal(int32_t id) {
    // Only names the table holds: an id from nowhere must not size the flag table.
    if (id < kUserVariableBase || id - kUserVariableBase >= Variable_NameCount()) return;
    CGlobalScope& global = Global();
    const size_t n = static_cast<size_t>(id - kUserVariableBase);
    size_t size = global.declared.size();
    while (size <= n) size += kGlobalFlagsStep;
    global.declared.resize(size, 0);
    global.declared[n] = 1;
    global.list->FindOrAdd(id);
}

bool Variable_IsDeclaredGlobal(int32_t id) {
    if (id < kUserVariableBase) return false;
    const std::vector<uint8_t>& declared = Global().declared;
    const size_t n = static_cast<size_t>(id - kUserVariableBase);
    return n < declared.size() && declared[n] != 0;
}

bool Variable_WriteGlobals(CStream& stream) {
    const CGlobalScope& global = Global();
    bool ok = stream.WriteInt(kGlobalStreamVersion) && global.list->WriteToStream(stream) &&
              stream.WriteInt(static_cast<int32_t>(global.declared.size()));
    return ok && stream.WriteBytes(global.declared.data(), static_cast<int64_t>(global.declared.size()));
}

bool Variable_ReadGlobalsInto(CStream& stream, CGlobalScope& scope) {
    if (stream.ReadInt() != kGlobalStreamVersion || stream.Overrun()) return false;
    auto list = std::make_unique<CVariableList>();
    if (!list->ReadFromStream(stream)) return false;
    const int32_t count = stream.ReadInt();
    if (stream.Overrun() || count < 0 || count > stream.Remaining()) return false;
    std::vector<uint8_t> declared(static_cast<size_t>(count));
    for (uint8_t& flag : declared) flag = stream.ReadByte();
    scope.list = std::move(list);
    scope.declared = std::move(declared);
    return true;
}

bool Variable_ReadGlobals(CStream& stream) {
    CGlobalScope scope;
    if (!Variable_ReadGlobalsInto(stream, scope)) return false;
    Variable_SwapGlobals(scope);
    return true;
}

void Variable_SwapGlobals(CGlobalScope& scope) {
    CGlobalScope& global = Global();
    std::swap(global.list, scope.list);
    std::swap(global.declared, scope.declared);
}

CVariableList* Variable_LocalsForDepth(int depth) {
    if (depth < 0) return nullptr;
    auto& pool = LocalPool();
    while (pool.size() <= static_cast<size_t>(depth)) pool.push_back(std::make_unique<CVariableList>());
    CVariableList* list = pool[static_cast<size_t>(depth)].get();
    if (list->Count() > 0) list->Clear();
    return list;
}

bool Variable_GetByScope(int32_t scope, int32_t id, int32_t index, CValue& result, const VariableScope& where) {
    Game().indexError = false;
    if (scope >= 0) {
        CInstanceWorld& world = *Game().world;
        CInstance* target = nullptr;
        if (scope >= kUserVariableBase) {
            target = world.Find(scope);
            if (target != nullptr && target->marked) target = nullptr;
        } else {
            // The first unmarked instance of the object, without building a list.
            target = world.FirstOfObject(scope);
        }
        if (target == nullptr) {
            result.Release();
            return false;
        }
        return Variable_InstanceGet(target, id, index, result);
    }
    switch (scope) {
    case kScopeSelf: return Variable_InstanceGet(where.self, id, index, result);
    case kScopeOther: return Variable_InstanceGet(where.other, id, index, result);
    case kScopeAll:
        if (CInstance* inst = Game().world->FirstActive()) return Variable_InstanceGet(inst, id, index, result);
        result.Release();
        return false;
    case kScopeNoone: result.Release(); return true;
    case kScopeGlobal: return Variable_GlobalGet(id, index, result);
    case kScopeUnqualified:
        return Variable_IsDeclaredGlobal(id) ? Variable_GlobalGet(id, index, result)
                                             : Variable_InstanceGet(where.self, id, index, result);
    case kScopeLocal:
        if (where.locals != nullptr) return where.locals->Get(id, index, result);
        result.Release();
        return false;
    default: result.Release(); return false;
    }
}

bool Variable_SetByScope(int32_t scope, int32_t id, int32_t index, const CValue& value, const VariableScope& where) {
    Game().indexError = false;
    if (scope >= kUserVariableBase) {
        CInstance* target = Game().world->Find(scope);
        if (target == nullptr || target->marked) return true;  // nobody to write to is no error
        return Variable_InstanceSet(target, id, index, value);
    }
    if (scope >= 0 || scope == kScopeAll) {
        // Taken first: a setter may change the room's lists under us.
        std::vector<CInstance*> targets;
        if (scope == kScopeAll) Game().world->All(targets);
        else Game().world->OfObject(scope, targets);
        bool ok = true;  // an object with no instances takes the write and changes nothing
        for (CInstance* inst : targets) ok = Variable_InstanceSet(inst, id, index, value);
        return ok;
    }
    switch (scope) {
    case kScopeSelf: return Variable_InstanceSet(where.self, id, index, value);
    case kScopeOther: return Variable_InstanceSet(where.other, id, index, value);
    case kScopeNoone: return true;
    case kScopeGlobal: return Variable_GlobalSet(id, index, value);
    case kScopeUnqualified:
        return Variable_IsDeclaredGlobal(id) ? Variable_GlobalSet(id, index, value)
                                             : Variable_InstanceSet(where.self, id, index, value);
    case kScopeLocal: return where.locals != nullptr && where.locals->Set(id, index, value);
    default: return false;
    }
}
