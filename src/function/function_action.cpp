#include "function/function_action.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "graphics/graphics.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/motion.h"
#include "object/object.h"
#include "particle/particle.h"
#include "room/room.h"
#include "value/args.h"
#include "value/random.h"
#include "variable/variables.h"

namespace {

// The parameters of a handler written in place in the table: "[] ACTION_ARGS { ... }".
#define ACTION_ARGS                                                                                           \
    ([[maybe_unused]] CValue & result, [[maybe_unused]] CInstance * self, [[maybe_unused]] CInstance * other, \
     [[maybe_unused]] int argc, [[maybe_unused]] CValue* args)

// The blocks' switches count 0.5 as on.

CValue V(double v) { return CValue(v); }
CValue T(std::string_view text) { return CValue(text); }

// --- built-in variables and functions, reached by name as scripts reach them ------------

bool GetVar(CInstance* self, const char* name, CValue& out, int index = 0) {
    return Variable_InstanceGet(self, Variable_Find(name), index, out);
}
double GetReal(CInstance* self, const char* name, int index = 0) {
    CValue v;
    return GetVar(self, name, v, index) && v.IsReal() ? v.val : 0.0;
}
void SetVar(CInstance* self, const char* name, const CValue& value, int index = 0) {
    Variable_InstanceSet(self, Variable_Find(name), index, value);
}
void SetReal(CInstance* self, const char* name, double v, int index = 0) { SetVar(self, name, V(v), index); }

bool Relative() { return GetReal(nullptr, "argument_relative") != 0; }

// Calls a built-in by name with the given arguments: whatever it does or reports (a
// missing one reports through its stub) is what the action does or reports.
CValue Call(const char* name, CInstance* self, CInstance* other, std::initializer_list<CValue> list) {
    CValue result;
    const FunctionEntry* entry = Function_Entry(Function_FindBuiltin(name));
    if (!entry || !entry->handler) return result;
    CValue values[16];
    int n = 0;
    for (const CValue& v : list)
        if (n < 16) values[n++] = v;
    entry->handler(result, self, other, n, values);
    return result;
}
bool CallTrue(const char* name, CInstance* self, CInstance* other, std::initializer_list<CValue> list) {
    const CValue v = Call(name, self, other, list);
    return v.IsReal() && v.val >= 0.5;
}

void Answer(CValue& result, bool b) { result.SetReal(b ? 1.0 : 0.0); }

// The position arguments, counted from self's position when relative.
double RelX(const CInstance* self, double x) { return Relative() && self ? x + self->x : x; }
double RelY(const CInstance* self, double y) { return Relative() && self ? y + self->y : y; }

// A value argument: added to the current one when relative.
void SetOrAdd(CInstance* self, const char* name, double v, int index = 0) {
    SetReal(self, name, Relative() ? GetReal(self, name, index) + v : v, index);
}

// operation 1 smaller, 2 larger, anything else equal (the counting questions).
bool Compare3(double a, double b, int op) {
    if (op == 1) return a < b;
    if (op == 2) return a > b;
    return a == b;
}

// --- moving ---------------------------------------------------------------------------------

void F_Move(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    const std::string_view dirs = Arg_Text(argc, args, 0);
    if (dirs.size() != 9) return Code_ShowError("Wrong argument to action_move().", false);
    if (dirs.find('1') == std::string_view::npos || !self) return;
    const double speed = Arg_Real(argc, args, 1);
    Motion_SetSpeed(*self, Relative() ? self->speed + speed : speed);
    int at = 0;
    do at = Random_Int(9);
    while (dirs[size_t(at)] != '1');
    static const double kDirections[9] = {225, 270, 315, 180, -1, 0, 135, 90, 45};
    if (at == 4) {
        Motion_SetDirection(*self, 0);
        Motion_SetSpeed(*self, 0);
        return;
    }
    Motion_SetDirection(*self, kDirections[at]);
}

void F_CreateObject(CValue&, CInstance* self, CInstance* other, int argc, CValue* args) {
    const int object = Arg_Int(argc, args, 0);
    if (!Object_Exists(object)) {
        char text[96];
        std::snprintf(text, sizeof text, "Creating instance for non-existing object: %d", object);
        return Code_ShowError(text, false);
    }
    Call("instance_create", self, other,
         {V(RelX(self, Arg_Real(argc, args, 1))), V(RelY(self, Arg_Real(argc, args, 2))), V(object)});
}

void F_CreateObjectMotion(CValue&, CInstance* self, CInstance* other, int argc, CValue* args) {
    const int object = Arg_Int(argc, args, 0);
    if (!Object_Exists(object)) {
        char text[96];
        std::snprintf(text, sizeof text, "Creating instance for non-existing object: %d", object);
        return Code_ShowError(text, false);
    }
    const CValue id = Call("instance_create", self, other,
                           {V(RelX(self, Arg_Real(argc, args, 1))), V(RelY(self, Arg_Real(argc, args, 2))), V(object)});
    if (CInstance* made = Game().world->Find(int(id.val))) {
        Motion_SetSpeed(*made, Arg_Real(argc, args, 3));
        Motion_SetDirection(*made, Arg_Real(argc, args, 4));
    }
}

void F_CreateObjectRandom(CValue&, CInstance* self, CInstance* other, int argc, CValue* args) {
    bool any = false;
    for (int i = 0; i < 4; ++i) any = any || Object_Exists(Arg_Int(argc, args, i));
    if (!any) return;
    int object = -1;
    do object = Arg_Int(argc, args, Random_Int(4));
    while (!Object_Exists(object));
    Call("instance_create", self, other,
         {V(RelX(self, Arg_Real(argc, args, 4))), V(RelY(self, Arg_Real(argc, args, 5))), V(object)});
}

void F_SetAlarm(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    const int alarm = Arg_Int(argc, args, 1);
    const double steps = Arg_Real(argc, args, 0);
    const double now = GetReal(self, "alarm", alarm);
    // A stopped alarm (below 0) is set, never added to.
    SetReal(self, "alarm", Relative() && now >= 0 ? now + steps : steps, alarm);
}

void F_IfVariable(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CValue& a = Arg_Value(argc, args, 0);
    const CValue& b = Arg_Value(argc, args, 1);
    if (a.IsString() != b.IsString()) {
        Code_ShowError("Cannot compare arguments.", false);
        return Answer(result, false);
    }
    int c = 0;
    if (a.IsString()) {
        const int r = std::string_view(a.Text()).compare(b.Text());
        c = r < 0 ? -1 : (r > 0 ? 1 : 0);
    } else {
        const double d = a.val - b.val;
        c = d < -1e-5 ? -1 : (d > 1e-5 ? 1 : 0);
    }
    switch (Arg_Int(argc, args, 2)) {
    case 1: return Answer(result, c < 0);
    case 2: return Answer(result, c > 0);
    case 3: return Answer(result, c <= 0);
    case 4: return Answer(result, c >= 0);
    default: return Answer(result, c == 0);
    }
}

void F_IfDice(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double sides = Arg_Real(argc, args, 0);
    if (sides <= 1) return Answer(result, true);
    Answer(result, Random_Int(int32_t(std::nearbyint(sides * 1000))) < 1001);
}

// Draws the room and shows the picture now, in the middle of the step, then opens the
// frame again for the rest of it.
void Redraw() {
    if (!Graphics_FrameOpen() || !Room_Running()) return;
    Room_Draw();
    Graphics_EndFrame(true);
    Graphics_BeginFrame();
}

// --- resources ------------------------------------------------------------------------------

bool ReplaceChecks(const char* exists, CInstance* self, CInstance* other, int argc, CValue* args) {
    if (!CallTrue(exists, self, other, {V(Arg_Int(argc, args, 0))})) {
        Code_ShowError("Trying to replace non-existing resource.", false);
        return false;
    }
    if (!CallTrue("file_exists", self, other, {Arg_Value(argc, args, 1)})) {
        Code_ShowError("File does not exist.", false);
        return false;
    }
    return true;
}

// --- drawing --------------------------------------------------------------------------------

void DrawCaptionValue(CInstance* self, CInstance* other, int argc, CValue* args, long value) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld", value);
    const std::string line = std::string(Arg_Text(argc, args, 2)) + text;
    Call("draw_text", self, other,
         {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))), T(line)});
}

void DrawBox(const char* name, CInstance* self, CInstance* other, int argc, CValue* args, CValue last) {
    Call(name, self, other,
         {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))),
          V(RelX(self, Arg_Real(argc, args, 2))), V(RelY(self, Arg_Real(argc, args, 3))), last});
}

// Health bar colours by the block's choice: green to red, white to black, then single
// colours (black, gray, silver, white, maroon, green, olive, navy, purple, teal, red,
// lime, yellow, blue, fuchsia, aqua).
void BarColours(int choice, uint32_t& low, uint32_t& high) {
    static const uint32_t kSingle[] = {0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000080, 0x008000, 0x008080, 0x800000,
                                       0x800080, 0x808000, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};
    if (choice == 0) low = 0x0000FF, high = 0x00FF00;
    else if (choice == 1) low = 0x000000, high = 0xFFFFFF;
    else {
        const int k = choice - 2;
        low = high = k >= 0 && k < int(std::size(kSingle)) ? kSingle[k] : 0x00FF00;
    }
}

// --- the particle blocks ----------------------------------------------------------------------

// The blocks name up to 16 types and 8 emitters of one shared system by their own
// numbers.
struct CActionParticles {
    int system = -1;
    int types[16];
    int emitters[8];
    CActionParticles() { Reset(); }
    void Reset() {
        system = -1;
        for (int& t : types) t = -1;
        for (int& e : emitters) e = -1;
    }
};
CActionParticles& Parts() {
    static CActionParticles parts;
    return parts;
}

int EnsureSystem() {
    CActionParticles& p = Parts();
    if (!ParticleSystem_Exists(p.system)) {
        p.system = ParticleSystem_Create();
        for (int& t : p.types) t = -1;
        for (int& e : p.emitters) e = -1;
    }
    return p.system;
}

// The real type of a block's type number, made on first use; -1 outside 0..15.
CParticleType* BlockType(int n, bool make, int* id = nullptr) {
    if (n < 0 || n >= 16) return nullptr;
    int& t = Parts().types[n];
    if (!ParticleType_Exists(t)) {
        if (!make) return nullptr;
        t = ParticleType_Create();
    }
    if (id) *id = t;
    return ParticleType_Get(t);
}
int BlockTypeId(int n) {
    int id = -1;
    return BlockType(n, false, &id) ? id : -1;
}

int* BlockEmitter(int n) { return n >= 0 && n < 8 ? &Parts().emitters[n] : nullptr; }

bool EmitterReady(int n) {
    int* e = BlockEmitter(n);
    const CParticleSystem* s = ParticleSystem_Get(Parts().system);
    if (!e || !s || *e < 0 || size_t(*e) >= s->emitters.size() || !s->emitters[size_t(*e)].exists) {
        Code_ShowError("The particle emitter must first be created.", false);
        return false;
    }
    return true;
}

// --- the table --------------------------------------------------------------------------------

}  // namespace

void Action_ResetParticles() { Parts().Reset(); }

extern const FunctionImpl kActionFunctions[] = {
    // --- motion
    {"action_set_relative", [] ACTION_ARGS { Variable_SetArgumentRelative(Arg_Flag(argc, args, 0)); }},
    {"action_move", F_Move},
    {"action_set_motion",
     [] ACTION_ARGS {
         Call(Relative() ? "motion_add" : "motion_set", self, other,
              {V(Arg_Real(argc, args, 0)), V(Arg_Real(argc, args, 1))});
     }},
    {"action_set_hspeed", [] ACTION_ARGS { SetOrAdd(self, "hspeed", Arg_Real(argc, args, 0)); }},
    {"action_set_vspeed", [] ACTION_ARGS { SetOrAdd(self, "vspeed", Arg_Real(argc, args, 0)); }},
    {"action_set_gravity",
     [] ACTION_ARGS {
         SetOrAdd(self, "gravity_direction", Arg_Real(argc, args, 0));
         SetOrAdd(self, "gravity", Arg_Real(argc, args, 1));
     }},
    {"action_set_friction", [] ACTION_ARGS { SetReal(self, "friction", Arg_Real(argc, args, 0)); }},
    {"action_move_point",
     [] ACTION_ARGS {
         Call("move_towards_point", self, other,
              {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))),
               V(Arg_Real(argc, args, 2))});
     }},
    {"action_move_to",
     [] ACTION_ARGS {
         if (self) Motion_SetPosition(*self, RelX(self, Arg_Real(argc, args, 0)), RelY(self, Arg_Real(argc, args, 1)));
     }},
    {"action_move_start",
     [] ACTION_ARGS {
         if (self) Motion_SetPosition(*self, self->xstart, self->ystart);
     }},
    {"action_move_random",
     [] ACTION_ARGS {
         Call("move_random", self, other, {V(Arg_Real(argc, args, 0)), V(Arg_Real(argc, args, 1))});
     }},
    {"action_snap",
     [] ACTION_ARGS {
         Call("move_snap", self, other, {V(Arg_Real(argc, args, 0)), V(Arg_Real(argc, args, 1))});
     }},
    {"action_wrap",
     [] ACTION_ARGS {  // 0 horizontal, 1 vertical, 2 both.
         const int d = Arg_Int(argc, args, 0);
         Call("move_wrap", self, other, {V(d != 1 ? 1 : 0), V(d >= 1 ? 1 : 0), V(0)});
     }},
    {"action_reverse_xdir", [] ACTION_ARGS { SetReal(self, "hspeed", -GetReal(self, "hspeed")); }},
    {"action_reverse_ydir", [] ACTION_ARGS { SetReal(self, "vspeed", -GetReal(self, "vspeed")); }},
    {"action_move_contact",
     [] ACTION_ARGS {
         Call(Arg_Flag(argc, args, 2) ? "move_contact_all" : "move_contact_solid", self, other,
              {V(Arg_Real(argc, args, 0)), V(Arg_Real(argc, args, 1))});
     }},
    {"action_bounce",
     [] ACTION_ARGS {
         Call(Arg_Flag(argc, args, 1) ? "move_bounce_all" : "move_bounce_solid", self, other,
              {V(Arg_Flag(argc, args, 0) ? 1 : 0)});
     }},
    {"action_path_old",
     [] ACTION_ARGS {
         Call("path_start", self, other,
              {V(Arg_Real(argc, args, 0)), V(Arg_Real(argc, args, 1)), V(Arg_Real(argc, args, 2)), V(1)});
     }},
    {"action_path",
     [] ACTION_ARGS {  // The block's last switch is "relative"; path_start's is "absolute".
         Call("path_start", self, other,
              {V(Arg_Real(argc, args, 0)), V(Arg_Real(argc, args, 1)), V(Arg_Real(argc, args, 2)),
               V(Arg_Flag(argc, args, 3) ? 0 : 1)});
     }},
    {"action_path_end", [] ACTION_ARGS { Call("path_end", self, other, {}); }},
    {"action_path_position", [] ACTION_ARGS { SetOrAdd(self, "path_position", Arg_Real(argc, args, 0)); }},
    {"action_path_speed", [] ACTION_ARGS { SetOrAdd(self, "path_speed", Arg_Real(argc, args, 0)); }},
    {"action_linear_step",
     [] ACTION_ARGS {
         Call("mp_linear_step", self, other,
              {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))),
               V(Arg_Real(argc, args, 2)), V(Arg_Real(argc, args, 3))});
     }},
    {"action_potential_step",
     [] ACTION_ARGS {
         Call("mp_potential_step", self, other,
              {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))),
               V(Arg_Real(argc, args, 2)), V(Arg_Real(argc, args, 3))});
     }},

    // --- instances
    {"action_kill_object", [] ACTION_ARGS { Call("instance_destroy", self, other, {}); }},
    {"action_create_object", F_CreateObject},
    {"action_create_object_motion", F_CreateObjectMotion},
    {"action_create_object_random", F_CreateObjectRandom},
    {"action_change_object",
     [] ACTION_ARGS {
         Call("instance_change", self, other, {V(Arg_Real(argc, args, 0)), V(Arg_Flag(argc, args, 1) ? 1 : 0)});
     }},
    {"action_kill_position",
     [] ACTION_ARGS {
         Call("position_destroy", self, other,
              {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1)))});
     }},

    // --- sprite
    {"action_set_sprite",
     [] ACTION_ARGS {
         SetReal(self, "sprite_index", Arg_Real(argc, args, 0));
         SetReal(self, "image_xscale", Arg_Real(argc, args, 1));
         SetReal(self, "image_yscale", Arg_Real(argc, args, 1));
     }},
    {"action_sprite_set",
     [] ACTION_ARGS {
         SetReal(self, "sprite_index", Arg_Real(argc, args, 0));
         if (Arg_Real(argc, args, 1) != -1) SetReal(self, "image_index", Arg_Real(argc, args, 1));
         SetReal(self, "image_speed", Arg_Real(argc, args, 2));
     }},
    {"action_sprite_transform",
     [] ACTION_ARGS {  // mirror: 1 horizontally, 2 vertically, 3 both.
         const int mirror = Arg_Int(argc, args, 3);
         SetReal(self, "image_xscale", (mirror & 1) ? -Arg_Real(argc, args, 0) : Arg_Real(argc, args, 0));
         SetReal(self, "image_yscale", (mirror & 2) ? -Arg_Real(argc, args, 1) : Arg_Real(argc, args, 1));
         SetReal(self, "image_angle", Arg_Real(argc, args, 2));
     }},
    {"action_sprite_color",
     [] ACTION_ARGS {
         SetReal(self, "image_blend", Arg_Real(argc, args, 0));
         SetReal(self, "image_alpha", Arg_Real(argc, args, 1));
     }},

    // --- sound
    {"action_sound",
     [] ACTION_ARGS {
         Call(Arg_Flag(argc, args, 1) ? "sound_loop" : "sound_play", self, other, {V(Arg_Real(argc, args, 0))});
     }},
    {"action_end_sound", [] ACTION_ARGS { Call("sound_stop", self, other, {V(Arg_Real(argc, args, 0))}); }},
    {"action_if_sound",
     [] ACTION_ARGS { Answer(result, CallTrue("sound_isplaying", self, other, {V(Arg_Real(argc, args, 0))})); }},

    // --- rooms
    {"action_another_room",
     [] ACTION_ARGS {
         SetReal(nullptr, "transition_kind", Arg_Real(argc, args, 1));
         Call("room_goto", self, other, {V(Arg_Real(argc, args, 0))});
     }},
    {"action_current_room",
     [] ACTION_ARGS {
         SetReal(nullptr, "transition_kind", Arg_Real(argc, args, 0));
         Call("room_restart", self, other, {});
     }},
    {"action_previous_room",
     [] ACTION_ARGS {
         SetReal(nullptr, "transition_kind", Arg_Real(argc, args, 0));
         Call("room_goto_previous", self, other, {});
     }},
    {"action_next_room",
     [] ACTION_ARGS {
         SetReal(nullptr, "transition_kind", Arg_Real(argc, args, 0));
         Call("room_goto_next", self, other, {});
     }},
    {"action_if_previous_room",
     [] ACTION_ARGS {
         const CValue r = Call("room_previous", self, other, {V(GetReal(nullptr, "room"))});
         Answer(result, r.IsReal() && r.val >= 0);
     }},
    {"action_if_next_room",
     [] ACTION_ARGS {
         const CValue r = Call("room_next", self, other, {V(GetReal(nullptr, "room"))});
         Answer(result, r.IsReal() && r.val >= 0);
     }},

    // --- timing
    {"action_set_alarm", F_SetAlarm},
    {"action_sleep",
     [] ACTION_ARGS {
         if (Arg_Flag(argc, args, 1)) Redraw();
         Call("sleep", self, other, {V(Arg_Real(argc, args, 0))});
     }},
    {"action_set_timeline",
     [] ACTION_ARGS {
         SetReal(self, "timeline_index", Arg_Real(argc, args, 0));
         SetReal(self, "timeline_position", Arg_Real(argc, args, 1));
         SetReal(self, "timeline_running", 1);
     }},
    {"action_set_timeline_position", [] ACTION_ARGS { SetOrAdd(self, "timeline_position", Arg_Real(argc, args, 0)); }},
    {"action_set_timeline_speed", [] ACTION_ARGS { SetOrAdd(self, "timeline_speed", Arg_Real(argc, args, 0)); }},
    {"action_timeline_set",
     [] ACTION_ARGS {  // start: 0 at once, 1 not yet; loop: 1 loops.
         SetReal(self, "timeline_index", Arg_Real(argc, args, 0));
         SetReal(self, "timeline_position", Arg_Real(argc, args, 1));
         SetReal(self, "timeline_running", Arg_Flag(argc, args, 2) ? 0 : 1);
         SetReal(self, "timeline_loop", Arg_Flag(argc, args, 3) ? 1 : 0);
     }},
    {"action_timeline_start", [] ACTION_ARGS { SetReal(self, "timeline_running", 1); }},
    {"action_timeline_pause", [] ACTION_ARGS { SetReal(self, "timeline_running", 0); }},
    {"action_timeline_stop",
     [] ACTION_ARGS {
         SetReal(self, "timeline_running", 0);
         SetReal(self, "timeline_position", 0);
     }},

    // --- game and messages
    {"action_message", [] ACTION_ARGS { Call("show_message", self, other, {Arg_Value(argc, args, 0)}); }},
    {"action_show_info", [] ACTION_ARGS { Call("show_info", self, other, {}); }},
    {"action_show_video",
     [] ACTION_ARGS {
         Call("splash_show_video", self, other, {Arg_Value(argc, args, 0), V(Arg_Flag(argc, args, 2) ? 1 : 0)});
     }},
    {"action_end_game", [] ACTION_ARGS { Call("game_end", self, other, {}); }},
    {"action_restart_game", [] ACTION_ARGS { Call("game_restart", self, other, {}); }},
    {"action_save_game", [] ACTION_ARGS { Call("game_save", self, other, {Arg_Value(argc, args, 0)}); }},
    {"action_load_game",
     [] ACTION_ARGS {
         if (!CallTrue("file_exists", self, other, {Arg_Value(argc, args, 0)}))
             return Code_ShowError("File does not exist.", false);
         Call("game_load", self, other, {Arg_Value(argc, args, 0)});
     }},
    {"action_replace_sprite",
     [] ACTION_ARGS {
         if (ReplaceChecks("sprite_exists", self, other, argc, args))
             Call("sprite_replace", self, other,
                  {V(Arg_Real(argc, args, 0)), Arg_Value(argc, args, 1), V(Arg_Real(argc, args, 2)), V(0), V(0), V(0),
                   V(0)});
     }},
    {"action_replace_sound",
     [] ACTION_ARGS {
         if (ReplaceChecks("sound_exists", self, other, argc, args))
             Call("sound_replace", self, other, {V(Arg_Real(argc, args, 0)), Arg_Value(argc, args, 1), V(0), V(1)});
     }},
    {"action_replace_background",
     [] ACTION_ARGS {
         if (ReplaceChecks("background_exists", self, other, argc, args))
             Call("background_replace", self, other,
                  {V(Arg_Real(argc, args, 0)), Arg_Value(argc, args, 1), V(0), V(0)});
     }},

    // --- questions
    {"action_if_empty",
     [] ACTION_ARGS {
         const double x = RelX(self, Arg_Real(argc, args, 0)), y = RelY(self, Arg_Real(argc, args, 1));
         Answer(result, CallTrue(Arg_Flag(argc, args, 2) ? "place_empty" : "place_free", self, other, {V(x), V(y)}));
     }},
    {"action_if_collision",
     [] ACTION_ARGS {
         const double x = RelX(self, Arg_Real(argc, args, 0)), y = RelY(self, Arg_Real(argc, args, 1));
         Answer(result, !CallTrue(Arg_Flag(argc, args, 2) ? "place_empty" : "place_free", self, other, {V(x), V(y)}));
     }},
    {"action_if", [] ACTION_ARGS { Answer(result, Arg_Flag(argc, args, 0)); }},
    {"action_if_number",
     [] ACTION_ARGS {
         const CValue count = Call("instance_number", self, other, {V(Arg_Real(argc, args, 0))});
         Answer(result, Compare3(count.val, Arg_Real(argc, args, 1), Arg_Int(argc, args, 2)));
     }},
    {"action_if_object",
     [] ACTION_ARGS {
         const double x = RelX(self, Arg_Real(argc, args, 1)), y = RelY(self, Arg_Real(argc, args, 2));
         Answer(result, CallTrue("place_meeting", self, other, {V(x), V(y), V(Arg_Real(argc, args, 0))}));
     }},
    {"action_if_question",
     [] ACTION_ARGS {
         const bool yes = CallTrue("show_question", self, other, {Arg_Value(argc, args, 0)});
         Call("io_clear", self, other, {});
         Answer(result, yes);
     }},
    {"action_if_dice", F_IfDice},
    {"action_if_mouse",
     [] ACTION_ARGS { Answer(result, CallTrue("mouse_check_button", self, other, {V(Arg_Real(argc, args, 0))})); }},
    {"action_if_aligned",
     [] ACTION_ARGS {
         Answer(result,
                CallTrue("place_snapped", self, other, {V(Arg_Real(argc, args, 0)), V(Arg_Real(argc, args, 1))}));
     }},
    {"action_if_variable", F_IfVariable},
    {"action_execute_script",
     [] ACTION_ARGS {
         result = Call("script_execute", self, other,
                       {V(Arg_Real(argc, args, 0)), Arg_Value(argc, args, 1), Arg_Value(argc, args, 2),
                        Arg_Value(argc, args, 3), Arg_Value(argc, args, 4), Arg_Value(argc, args, 5)});
     }},
    {"action_inherited", [] ACTION_ARGS { Call("event_inherited", self, other, {}); }},

    // --- score, lives, health
    {"action_set_score", [] ACTION_ARGS { SetOrAdd(nullptr, "score", Arg_Real(argc, args, 0)); }},
    {"action_if_score",
     [] ACTION_ARGS {
         Answer(result, Compare3(GetReal(nullptr, "score"), Arg_Real(argc, args, 0), Arg_Int(argc, args, 1)));
     }},
    {"action_draw_score",
     [] ACTION_ARGS { DrawCaptionValue(self, other, argc, args, long(GetReal(nullptr, "score"))); }},
    {"action_highscore", [] ACTION_ARGS { Call("highscore_show", self, other, {V(GetReal(nullptr, "score"))}); }},
    {"action_highscore_show", [] ACTION_ARGS { Call("highscore_show", self, other, {V(GetReal(nullptr, "score"))}); }},
    {"action_highscore_clear", [] ACTION_ARGS { Call("highscore_clear", self, other, {}); }},
    {"action_set_life", [] ACTION_ARGS { SetOrAdd(nullptr, "lives", Arg_Real(argc, args, 0)); }},
    {"action_if_life",
     [] ACTION_ARGS {
         Answer(result, Compare3(GetReal(nullptr, "lives"), Arg_Real(argc, args, 0), Arg_Int(argc, args, 1)));
     }},
    {"action_draw_life",
     [] ACTION_ARGS { DrawCaptionValue(self, other, argc, args, long(GetReal(nullptr, "lives"))); }},
    {"action_draw_life_images",
     [] ACTION_ARGS {
         const int sprite = Arg_Int(argc, args, 2);
         if (!CallTrue("sprite_exists", self, other, {V(sprite)}))
             return Code_ShowError("Trying to draw a non-existing sprite.", false);
         const double w = Call("sprite_get_width", self, other, {V(sprite)}).val;
         const double x = RelX(self, Arg_Real(argc, args, 0)), y = RelY(self, Arg_Real(argc, args, 1));
         const int lives = int(GetReal(nullptr, "lives"));
         for (int i = 0; i < lives; ++i) Call("draw_sprite", self, other, {V(sprite), V(0), V(x + i * w), V(y)});
     }},
    {"action_set_health", [] ACTION_ARGS { SetOrAdd(nullptr, "health", Arg_Real(argc, args, 0)); }},
    {"action_if_health",
     [] ACTION_ARGS {
         Answer(result, Compare3(GetReal(nullptr, "health"), Arg_Real(argc, args, 0), Arg_Int(argc, args, 1)));
     }},
    {"action_draw_health",
     [] ACTION_ARGS {  // back colour: -1 none, else a colour; bar colour: see BarColours.
         uint32_t low = 0, high = 0;
         BarColours(Arg_Int(argc, args, 5), low, high);
         const int back = Arg_Int(argc, args, 4);
         Call("draw_healthbar", self, other,
              {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))),
               V(RelX(self, Arg_Real(argc, args, 2))), V(RelY(self, Arg_Real(argc, args, 3))),
               V(GetReal(nullptr, "health")), V(back < 0 ? 0 : back), V(low), V(high), V(0), V(back >= 0 ? 1 : 0),
               V(1)});
     }},
    {"action_set_caption",
     [] ACTION_ARGS {
         SetReal(nullptr, "show_score", Arg_Flag(argc, args, 0) ? 1 : 0);
         SetVar(nullptr, "caption_score", Arg_Value(argc, args, 1));
         SetReal(nullptr, "show_lives", Arg_Flag(argc, args, 2) ? 1 : 0);
         SetVar(nullptr, "caption_lives", Arg_Value(argc, args, 3));
         SetReal(nullptr, "show_health", Arg_Flag(argc, args, 4) ? 1 : 0);
         SetVar(nullptr, "caption_health", Arg_Value(argc, args, 5));
     }},
    {"action_draw_variable",
     [] ACTION_ARGS {
         Call("draw_text", self, other,
              {V(RelX(self, Arg_Real(argc, args, 1))), V(RelY(self, Arg_Real(argc, args, 2))),
               Arg_Value(argc, args, 0)});
     }},

    // --- particles
    {"action_partsyst_create",
     [] ACTION_ARGS {
         const int s = EnsureSystem();
         if (CParticleSystem* sys = ParticleSystem_Get(s)) sys->depth = Arg_Real(argc, args, 0);
     }},
    {"action_partsyst_destroy",
     [] ACTION_ARGS {
         ParticleSystem_Destroy(Parts().system);
         Parts().Reset();
     }},
    {"action_partsyst_clear", [] ACTION_ARGS { Particles_Clear(Parts().system); }},
    {"action_parttype_create_old",
     [] ACTION_ARGS {  // type, shape, size min, size max, colour start, colour end.
         CParticleType* t = BlockType(Arg_Int(argc, args, 0), true);
         if (!t) return;
         EnsureSystem();
         *t = CParticleType{};
         t->exists = true;
         t->shape = Arg_Int(argc, args, 1);
         t->sizeMin = Arg_Real(argc, args, 2);
         t->sizeMax = Arg_Real(argc, args, 3);
         t->colourMode = 1;
         t->colour[0] = Arg_Colour(argc, args, 4);
         t->colour[1] = Arg_Colour(argc, args, 5);
     }},
    {"action_parttype_create",
     [] ACTION_ARGS {  // type, shape, sprite (-1: the shape), size min, size max, size increase.
         CParticleType* t = BlockType(Arg_Int(argc, args, 0), true);
         if (!t) return;
         EnsureSystem();
         t->shape = Arg_Int(argc, args, 1);
         t->sprite = Arg_Int(argc, args, 2);
         t->animate = true;
         t->stretch = false;
         t->randomImage = false;
         t->sizeMin = Arg_Real(argc, args, 3);
         t->sizeMax = Arg_Real(argc, args, 4);
         t->sizeIncrease = Arg_Real(argc, args, 5);
     }},
    {"action_parttype_color",
     [] ACTION_ARGS {  // type, changing (0 mixed, 1 changing), colour 1, colour 2, alpha start, alpha end.
         CParticleType* t = BlockType(Arg_Int(argc, args, 0), true);
         if (!t) return;
         t->colourMode = Arg_Flag(argc, args, 1) ? 1 : 5;
         t->colour[0] = Arg_Colour(argc, args, 2);
         t->colour[1] = Arg_Colour(argc, args, 3);
         t->alpha1 = Arg_Alpha(argc, args, 4);
         t->alpha3 = Arg_Alpha(argc, args, 5);
         t->alpha2 = (t->alpha1 + t->alpha3) / 2;
     }},
    {"action_parttype_life",
     [] ACTION_ARGS {
         if (CParticleType* t = BlockType(Arg_Int(argc, args, 0), true)) {
             t->lifeMin = Arg_IntTrunc(argc, args, 1);
             t->lifeMax = Arg_IntTrunc(argc, args, 2);
         }
     }},
    {"action_parttype_speed",
     [] ACTION_ARGS {  // type, speed min, speed max, direction min, direction max, friction.
         if (CParticleType* t = BlockType(Arg_Int(argc, args, 0), true)) {
             t->speedMin = Arg_Real(argc, args, 1);
             t->speedMax = Arg_Real(argc, args, 2);
             t->directionMin = Arg_Real(argc, args, 3);
             t->directionMax = Arg_Real(argc, args, 4);
             t->speedIncrease = -Arg_Real(argc, args, 5);
         }
     }},
    {"action_parttype_gravity",
     [] ACTION_ARGS {
         if (CParticleType* t = BlockType(Arg_Int(argc, args, 0), true)) {
             t->gravity = Arg_Real(argc, args, 1);
             t->gravityDirection = Arg_Real(argc, args, 2);
         }
     }},
    {"action_parttype_secondary",
     [] ACTION_ARGS {  // type, step type, step number, death type, death number.
         if (CParticleType* t = BlockType(Arg_Int(argc, args, 0), true)) {
             t->stepType = BlockTypeId(Arg_Int(argc, args, 1));
             t->stepNumber = Arg_Int(argc, args, 2);
             t->deathType = BlockTypeId(Arg_Int(argc, args, 3));
             t->deathNumber = Arg_Int(argc, args, 4);
         }
     }},
    {"action_partemit_create",
     [] ACTION_ARGS {  // emitter, shape, xmin, xmax, ymin, ymax (relative: from self's position).
         int* e = BlockEmitter(Arg_Int(argc, args, 0));
         if (!e) return;
         CParticleSystem* s = ParticleSystem_Get(EnsureSystem());
         if (!s) return;
         if (*e < 0 || size_t(*e) >= s->emitters.size() || !s->emitters[size_t(*e)].exists) {
             *e = int(s->emitters.size());
             s->emitters.emplace_back();
         }
         CParticleEmitter& em = s->emitters[size_t(*e)];
         em = CParticleEmitter{};
         em.exists = true;
         em.shape = Arg_Int(argc, args, 1);
         em.xmin = RelX(self, Arg_Real(argc, args, 2));
         em.xmax = RelX(self, Arg_Real(argc, args, 3));
         em.ymin = RelY(self, Arg_Real(argc, args, 4));
         em.ymax = RelY(self, Arg_Real(argc, args, 5));
     }},
    {"action_partemit_destroy",
     [] ACTION_ARGS {
         int* e = BlockEmitter(Arg_Int(argc, args, 0));
         CParticleSystem* s = ParticleSystem_Get(Parts().system);
         if (!e || !s || *e < 0 || size_t(*e) >= s->emitters.size()) return;
         s->emitters[size_t(*e)] = CParticleEmitter{};
         *e = -1;
     }},
    {"action_partemit_burst",
     [] ACTION_ARGS {
         if (!EmitterReady(Arg_Int(argc, args, 0))) return;
         ParticleEmitter_Burst(Parts().system, *BlockEmitter(Arg_Int(argc, args, 0)),
                               BlockTypeId(Arg_Int(argc, args, 1)), Arg_Int(argc, args, 2));
     }},
    {"action_partemit_stream",
     [] ACTION_ARGS {
         if (!EmitterReady(Arg_Int(argc, args, 0))) return;
         CParticleEmitter& em =
             ParticleSystem_Get(Parts().system)->emitters[size_t(*BlockEmitter(Arg_Int(argc, args, 0)))];
         em.type = BlockTypeId(Arg_Int(argc, args, 1));
         em.stream = Arg_Int(argc, args, 2);
     }},

    // --- CD, cursor, web page
    {"action_cd_play",
     [] ACTION_ARGS {
         Call("cd_play", self, other, {V(Arg_Real(argc, args, 0)), V(Arg_Real(argc, args, 1))});
     }},
    {"action_cd_stop", [] ACTION_ARGS { Call("cd_stop", self, other, {}); }},
    {"action_cd_pause", [] ACTION_ARGS { Call("cd_pause", self, other, {}); }},
    {"action_cd_resume", [] ACTION_ARGS { Call("cd_resume", self, other, {}); }},
    {"action_cd_present", [] ACTION_ARGS { Answer(result, CallTrue("cd_present", self, other, {})); }},
    {"action_cd_playing", [] ACTION_ARGS { Answer(result, CallTrue("cd_playing", self, other, {})); }},
    {"action_set_cursor",
     [] ACTION_ARGS {
         SetReal(nullptr, "cursor_sprite", Arg_Real(argc, args, 0));
         // show: the system cursor (cr_default 0) or none (cr_none -1).
         Call("window_set_cursor", self, other, {V(Arg_Flag(argc, args, 1) ? 0 : -1)});
     }},
    {"action_webpage",
     [] ACTION_ARGS {
         const CValue opened = Call("url_open", self, other, {Arg_Value(argc, args, 0)});
         if (opened.IsReal() && opened.val < 0) Code_ShowError("Failed to open the webpage.", false);
     }},

    // --- drawing
    {"action_draw_sprite",
     [] ACTION_ARGS {
         const int sprite = Arg_Int(argc, args, 0);
         if (!CallTrue("sprite_exists", self, other, {V(sprite)}))
             return Code_ShowError("Trying to draw a non-existing sprite.", false);
         Call("draw_sprite", self, other,
              {V(sprite), V(Arg_Real(argc, args, 1)), V(RelX(self, Arg_Real(argc, args, 2))),
               V(RelY(self, Arg_Real(argc, args, 3)))});
     }},
    {"action_draw_background",
     [] ACTION_ARGS {
         const int background = Arg_Int(argc, args, 0);
         if (!CallTrue("background_exists", self, other, {V(background)}))
             return Code_ShowError("Trying to draw a non-existing background.", false);
         Call(Arg_Flag(argc, args, 3) ? "draw_background_tiled" : "draw_background", self, other,
              {V(background), V(RelX(self, Arg_Real(argc, args, 1))), V(RelY(self, Arg_Real(argc, args, 2)))});
     }},
    {"action_draw_text",
     [] ACTION_ARGS {
         Call("draw_text", self, other,
              {V(RelX(self, Arg_Real(argc, args, 1))), V(RelY(self, Arg_Real(argc, args, 2))),
               Arg_Value(argc, args, 0)});
     }},
    {"action_draw_text_transformed",
     [] ACTION_ARGS {
         Call("draw_text_transformed", self, other,
              {V(RelX(self, Arg_Real(argc, args, 1))), V(RelY(self, Arg_Real(argc, args, 2))), Arg_Value(argc, args, 0),
               V(Arg_Real(argc, args, 3)), V(Arg_Real(argc, args, 4)), V(Arg_Real(argc, args, 5))});
     }},
    {"action_draw_rectangle",
     [] ACTION_ARGS { DrawBox("draw_rectangle", self, other, argc, args, V(Arg_Flag(argc, args, 4) ? 1 : 0)); }},
    {"action_draw_ellipse",
     [] ACTION_ARGS { DrawBox("draw_ellipse", self, other, argc, args, V(Arg_Flag(argc, args, 4) ? 1 : 0)); }},
    {"action_draw_gradient_hor",
     [] ACTION_ARGS {
         const double c1 = Arg_Real(argc, args, 4), c2 = Arg_Real(argc, args, 5);
         Call("draw_rectangle_color", self, other,
              {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))),
               V(RelX(self, Arg_Real(argc, args, 2))), V(RelY(self, Arg_Real(argc, args, 3))), V(c1), V(c2), V(c2),
               V(c1), V(0)});
     }},
    {"action_draw_gradient_vert",
     [] ACTION_ARGS {
         const double c1 = Arg_Real(argc, args, 4), c2 = Arg_Real(argc, args, 5);
         Call("draw_rectangle_color", self, other,
              {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))),
               V(RelX(self, Arg_Real(argc, args, 2))), V(RelY(self, Arg_Real(argc, args, 3))), V(c1), V(c1), V(c2),
               V(c2), V(0)});
     }},
    {"action_draw_ellipse_gradient",
     [] ACTION_ARGS {
         Call("draw_ellipse_color", self, other,
              {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))),
               V(RelX(self, Arg_Real(argc, args, 2))), V(RelY(self, Arg_Real(argc, args, 3))),
               V(Arg_Real(argc, args, 4)), V(Arg_Real(argc, args, 5)), V(0)});
     }},
    {"action_draw_line",
     [] ACTION_ARGS {
         Call("draw_line", self, other,
              {V(RelX(self, Arg_Real(argc, args, 0))), V(RelY(self, Arg_Real(argc, args, 1))),
               V(RelX(self, Arg_Real(argc, args, 2))), V(RelY(self, Arg_Real(argc, args, 3)))});
     }},
    {"action_draw_arrow",
     [] ACTION_ARGS { DrawBox("draw_arrow", self, other, argc, args, V(Arg_Real(argc, args, 4))); }},
    {"action_color", [] ACTION_ARGS { Call("draw_set_color", self, other, {V(Arg_Real(argc, args, 0))}); }},
    {"action_fill_color", [] ACTION_ARGS { Call("draw_set_color", self, other, {V(Arg_Real(argc, args, 0))}); }},
    {"action_line_color", [] ACTION_ARGS { Call("draw_set_color", self, other, {V(Arg_Real(argc, args, 0))}); }},
    {"action_font",
     [] ACTION_ARGS {
         Call("draw_set_font", self, other, {V(Arg_Real(argc, args, 0))});
         Call("draw_set_halign", self, other, {V(Arg_Real(argc, args, 1))});
     }},
    {"action_draw_font", [] ACTION_ARGS { Call("draw_set_font", self, other, {V(Arg_Real(argc, args, 0))}); }},
    {"action_draw_font_old",
     [] ACTION_ARGS {  // name, size, bold, italic, underline, strike-out: a font made once per look.
         static std::string lastKey;
         static double lastFont = -1;
         const std::string key = std::string(Arg_Text(argc, args, 0)) + "/" + std::to_string(Arg_Real(argc, args, 1)) +
                                 "/" + std::to_string(Arg_Flag(argc, args, 2)) +
                                 std::to_string(Arg_Flag(argc, args, 3));
         if (key != lastKey || !CallTrue("font_exists", self, other, {V(lastFont)})) {
             lastFont = Call("font_add", self, other,
                             {Arg_Value(argc, args, 0), V(Arg_Real(argc, args, 1)), V(Arg_Flag(argc, args, 2) ? 1 : 0),
                              V(Arg_Flag(argc, args, 3) ? 1 : 0), V(32), V(127)})
                            .val;
             lastKey = key;
         }
         Call("draw_set_font", self, other, {V(lastFont)});
     }},
    {"action_fullscreen",
     [] ACTION_ARGS {  // 0 switch, 1 windowed, 2 full screen.
         const int how = Arg_Int(argc, args, 0);
         const bool now = CallTrue("window_get_fullscreen", self, other, {});
         Call("window_set_fullscreen", self, other, {V(how == 0 ? !now : how == 2)});
     }},
    {"action_snapshot", [] ACTION_ARGS { Call("screen_save", self, other, {Arg_Value(argc, args, 0)}); }},
    {"action_effect",
     [] ACTION_ARGS {  // kind, x, y, size, colour, where (0 below the instances, 1 above).
         Call(Arg_Flag(argc, args, 5) ? "effect_create_above" : "effect_create_below", self, other,
              {V(Arg_Real(argc, args, 0)), V(RelX(self, Arg_Real(argc, args, 1))),
               V(RelY(self, Arg_Real(argc, args, 2))), V(Arg_Real(argc, args, 3)), V(Arg_Real(argc, args, 4))});
     }},
};
extern const size_t kActionFunctionCount = std::size(kActionFunctions);
