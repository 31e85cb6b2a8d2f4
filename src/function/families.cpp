// The implemented function families. This is the one place that knows which exist:
// a family's table is bound here, by name, onto the registry's entries as they are
// registered; every name without a handler here gets a stub.
#include <string_view>
#include <unordered_map>

#include "compiler/function_code.h"
#include "ds/function_ds.h"
#include "function/function_action.h"
#include "function/function_background.h"
#include "function/function_d3d.h"
#include "function/function_date.h"
#include "function/function_debug.h"
#include "function/function_dialog.h"
#include "function/function_event.h"
#include "function/function_external.h"
#include "function/function_file.h"
#include "function/function_font.h"
#include "function/function_graphics.h"
#include "function/function_http.h"
#include "function/function_input.h"
#include "function/function_instance.h"
#include "function/function_math.h"
#include "function/function_motion.h"
#include "function/function_mp.h"
#include "function/function_mplay.h"
#include "function/function_names.h"
#include "function/function_particle.h"
#include "function/function_path.h"
#include "function/function_physics.h"
#include "function/function_room.h"
#include "function/function_save.h"
#include "function/function_services.h"
#include "function/function_shapes.h"
#include "function/function_sound.h"
#include "function/function_splash.h"
#include "function/function_sprite.h"
#include "function/function_string.h"
#include "function/function_surface.h"
#include "function/function_tile.h"
#include "function/function_variable.h"
#include "variable/variables.h"
#include "vm/script_functions.h"

namespace {

struct FunctionFamily {
    const FunctionImpl* functions;
    size_t count;
};

using TImplementationMap = std::unordered_map<std::string_view, TBuiltinFunction>;

// Built on first use, after every family table is initialised. The keys point at the
// tables' own static names.
const TImplementationMap& Implementations() {
    static const TImplementationMap map = [] {
        const FunctionFamily families[] = {
            {kDebugFunctions, kDebugFunctionCount},       {kInstanceFunctions, kInstanceFunctionCount},
            {kMotionFunctions, kMotionFunctionCount},     {kRoomFunctions, kRoomFunctionCount},
            {kTileFunctions, kTileFunctionCount},         {kEventFunctions, kEventFunctionCount},
            {kCodeFunctions, kCodeFunctionCount},         {kFileFunctions, kFileFunctionCount},
            {kVariableFunctions, kVariableFunctionCount}, {kScriptFunctions, kScriptFunctionCount},
            {kMathFunctions, kMathFunctionCount},         {kStringFunctions, kStringFunctionCount},
            {kDateFunctions, kDateFunctionCount},         {kDsFunctions, kDsFunctionCount},
            {kGraphicsFunctions, kGraphicsFunctionCount}, {kShapeFunctions, kShapeFunctionCount},
            {kSpriteFunctions, kSpriteFunctionCount},     {kBackgroundFunctions, kBackgroundFunctionCount},
            {kFontFunctions, kFontFunctionCount},         {kD3DFunctions, kD3DFunctionCount},
            {kSurfaceFunctions, kSurfaceFunctionCount},   {kInputFunctions, kInputFunctionCount},
            {kPathFunctions, kPathFunctionCount},         {kMpFunctions, kMpFunctionCount},
            {kParticleFunctions, kParticleFunctionCount}, {kActionFunctions, kActionFunctionCount},
            {kSoundFunctions, kSoundFunctionCount},       {kServiceFunctions, kServiceFunctionCount},
            {kHttpFunctions, kHttpFunctionCount},         {kSaveFunctions, kSaveFunctionCount},
            {kPhysicsFunctions, kPhysicsFunctionCount},   {kExternalFunctions, kExternalFunctionCount},
            {kDialogFunctions, kDialogFunctionCount},     {kSplashFunctions, kSplashFunctionCount},
            {kMplayFunctions, kMplayFunctionCount},
        };
        TImplementationMap m;
        for (const FunctionFamily& family : families)
            for (size_t i = 0; i < family.count; ++i)
                if (family.functions[i].name != nullptr && family.functions[i].handler != nullptr)
                    m.emplace(family.functions[i].name, family.functions[i].handler);
        return m;
    }();
    return map;
}

}  // namespace

TBuiltinFunction Function_FindImplementation(const char* name) {
    if (name == nullptr) return nullptr;
    const TImplementationMap& map = Implementations();
    const auto it = map.find(name);
    return it == map.end() ? nullptr : it->second;
}

void Function_InstallNames() {
    Function_SetRegistrar([] {
        for (const FunctionNameTable& routine : Function_RegistrationRoutines()) {
            for (size_t i = 0; i < routine.count; ++i) {
                const FunctionName& fn = routine.names[i];
                Function_Register(fn.name, Function_FindImplementation(fn.name), fn.argumentCount);
            }
        }
    });
}
