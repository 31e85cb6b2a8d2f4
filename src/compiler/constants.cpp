// The constant table: two parallel arrays, names and values, in registration order.
#include "compiler/constants.h"

#include <memory>

#include "compiler/compiler.h"
#include "data/error.h"
#include "data/game.h"
#include "data/game_resources.h"
#include "platform/console.h"
#include "variable/instance.h"
#include "vm/code.h"
#include "vm/machine.h"

namespace {

struct CConstantTable {
    std::vector<std::string> names;
    std::vector<CValue> values;
    bool builtins = false;
    bool platform = false;
    int defined = 0;  // game and extension constants defined so far: the "Constant.%d" counter
};

CConstantTable& Table() {
    static CConstantTable table;
    return table;
}

struct BuiltinConstant {
    const char* name;
    double value;
};

// In registration order; several names share a value on purpose (blend modes and
// blend factors, alignment and file attributes).
constexpr BuiltinConstant kBuiltinConstants[] = {
    // Scopes and truth values. pi is single-precision pi, widened.
    {"self", -1},
    {"other", -2},
    {"all", -3},
    {"noone", -4},
    {"global", -5},
    {"local", -7},
    {"true", 1},
    {"false", 0},
    {"pi", 3.1415927410125732},
    // Primitive kinds.
    {"pr_pointlist", 1},
    {"pr_linelist", 2},
    {"pr_linestrip", 3},
    {"pr_trianglelist", 4},
    {"pr_trianglestrip", 5},
    {"pr_trianglefan", 6},
    // Colours: blue in the high byte, red in the low byte.
    {"c_aqua", 16776960},
    {"c_black", 0},
    {"c_blue", 16711680},
    {"c_dkgray", 4210752},
    {"c_fuchsia", 16711935},
    {"c_gray", 8421504},
    {"c_green", 32768},
    {"c_lime", 65280},
    {"c_ltgray", 12632256},
    {"c_maroon", 128},
    {"c_navy", 8388608},
    {"c_olive", 32896},
    {"c_purple", 8388736},
    {"c_red", 255},
    {"c_silver", 12632256},
    {"c_teal", 8421376},
    {"c_white", 16777215},
    {"c_yellow", 65535},
    {"c_orange", 4235519},
    // Blend modes and factors.
    {"bm_normal", 0},
    {"bm_add", 1},
    {"bm_max", 2},
    {"bm_subtract", 3},
    {"bm_zero", 1},
    {"bm_one", 2},
    {"bm_src_color", 3},
    {"bm_inv_src_color", 4},
    {"bm_src_alpha", 5},
    {"bm_inv_src_alpha", 6},
    {"bm_dest_alpha", 7},
    {"bm_inv_dest_alpha", 8},
    {"bm_dest_color", 9},
    {"bm_inv_dest_color", 10},
    {"bm_src_alpha_sat", 11},
    // Sound effects (bit flags).
    {"se_none", 0},
    {"se_chorus", 1},
    {"se_echo", 2},
    {"se_flanger", 4},
    {"se_gargle", 8},
    {"se_reverb", 16},
    {"se_compressor", 32},
    {"se_equalizer", 64},
    // Text alignment and file attributes.
    {"fa_left", 0},
    {"fa_center", 1},
    {"fa_right", 2},
    {"fa_top", 0},
    {"fa_middle", 1},
    {"fa_bottom", 2},
    {"fa_readonly", 1},
    {"fa_hidden", 2},
    {"fa_sysfile", 4},
    {"fa_volumeid", 8},
    {"fa_directory", 16},
    {"fa_archive", 32},
    // Mouse buttons.
    {"mb_any", -1},
    {"mb_none", 0},
    {"mb_left", 1},
    {"mb_right", 2},
    {"mb_middle", 3},
    // Virtual keys.
    {"vk_nokey", 0},
    {"vk_anykey", 1},
    {"vk_enter", 13},
    {"vk_return", 13},
    {"vk_shift", 16},
    {"vk_control", 17},
    {"vk_alt", 18},
    {"vk_escape", 27},
    {"vk_space", 32},
    {"vk_backspace", 8},
    {"vk_tab", 9},
    {"vk_pause", 19},
    {"vk_printscreen", 44},
    {"vk_left", 37},
    {"vk_right", 39},
    {"vk_up", 38},
    {"vk_down", 40},
    {"vk_home", 36},
    {"vk_end", 35},
    {"vk_delete", 46},
    {"vk_insert", 45},
    {"vk_pageup", 33},
    {"vk_pagedown", 34},
    {"vk_f1", 112},
    {"vk_f2", 113},
    {"vk_f3", 114},
    {"vk_f4", 115},
    {"vk_f5", 116},
    {"vk_f6", 117},
    {"vk_f7", 118},
    {"vk_f8", 119},
    {"vk_f9", 120},
    {"vk_f10", 121},
    {"vk_f11", 122},
    {"vk_f12", 123},
    {"vk_numpad0", 96},
    {"vk_numpad1", 97},
    {"vk_numpad2", 98},
    {"vk_numpad3", 99},
    {"vk_numpad4", 100},
    {"vk_numpad5", 101},
    {"vk_numpad6", 102},
    {"vk_numpad7", 103},
    {"vk_numpad8", 104},
    {"vk_numpad9", 105},
    {"vk_divide", 111},
    {"vk_multiply", 106},
    {"vk_subtract", 109},
    {"vk_add", 107},
    {"vk_decimal", 110},
    {"vk_lshift", 160},
    {"vk_lcontrol", 162},
    {"vk_lalt", 164},
    {"vk_rshift", 161},
    {"vk_rcontrol", 163},
    {"vk_ralt", 165},
    // Event types and numbers.
    {"ev_create", 0},
    {"ev_destroy", 1},
    {"ev_step", 3},
    {"ev_alarm", 2},
    {"ev_keyboard", 5},
    {"ev_mouse", 6},
    {"ev_collision", 4},
    {"ev_other", 7},
    {"ev_draw", 8},
    {"ev_keypress", 9},
    {"ev_keyrelease", 10},
    {"ev_left_button", 0},
    {"ev_right_button", 1},
    {"ev_middle_button", 2},
    {"ev_no_button", 3},
    {"ev_left_press", 4},
    {"ev_right_press", 5},
    {"ev_middle_press", 6},
    {"ev_left_release", 7},
    {"ev_right_release", 8},
    {"ev_middle_release", 9},
    {"ev_mouse_enter", 10},
    {"ev_mouse_leave", 11},
    {"ev_global_press", 12},
    {"ev_global_release", 13},
    {"ev_joystick1_left", 16},
    {"ev_joystick1_right", 17},
    {"ev_joystick1_up", 18},
    {"ev_joystick1_down", 19},
    {"ev_joystick1_button1", 21},
    {"ev_joystick1_button2", 22},
    {"ev_joystick1_button3", 23},
    {"ev_joystick1_button4", 24},
    {"ev_joystick1_button5", 25},
    {"ev_joystick1_button6", 26},
    {"ev_joystick1_button7", 27},
    {"ev_joystick1_button8", 28},
    {"ev_joystick2_left", 31},
    {"ev_joystick2_right", 32},
    {"ev_joystick2_up", 33},
    {"ev_joystick2_down", 34},
    {"ev_joystick2_button1", 36},
    {"ev_joystick2_button2", 37},
    {"ev_joystick2_button3", 38},
    {"ev_joystick2_button4", 39},
    {"ev_joystick2_button5", 40},
    {"ev_joystick2_button6", 41},
    {"ev_joystick2_button7", 42},
    {"ev_joystick2_button8", 43},
    {"ev_global_left_button", 50},
    {"ev_global_right_button", 51},
    {"ev_global_middle_button", 52},
    {"ev_global_left_press", 53},
    {"ev_global_right_press", 54},
    {"ev_global_middle_press", 55},
    {"ev_global_left_release", 56},
    {"ev_global_right_release", 57},
    {"ev_global_middle_release", 58},
    {"ev_mouse_wheel_up", 60},
    {"ev_mouse_wheel_down", 61},
    {"ev_outside", 0},
    {"ev_boundary", 1},
    {"ev_game_start", 2},
    {"ev_game_end", 3},
    {"ev_room_start", 4},
    {"ev_room_end", 5},
    {"ev_no_more_lives", 6},
    {"ev_animation_end", 7},
    {"ev_end_of_path", 8},
    {"ev_no_more_health", 9},
    {"ev_user0", 10},
    {"ev_user1", 11},
    {"ev_user2", 12},
    {"ev_user3", 13},
    {"ev_user4", 14},
    {"ev_user5", 15},
    {"ev_user6", 16},
    {"ev_user7", 17},
    {"ev_user8", 18},
    {"ev_user9", 19},
    {"ev_user10", 20},
    {"ev_user11", 21},
    {"ev_user12", 22},
    {"ev_user13", 23},
    {"ev_user14", 24},
    {"ev_user15", 25},
    {"ev_close_button", 30},
    {"ev_step_normal", 0},
    {"ev_step_begin", 1},
    {"ev_step_end", 2},
    // Argument types and calling conventions of external calls.
    {"ty_real", 0},
    {"ty_string", 1},
    {"dll_cdecl", 0},
    {"dll_stdcall", 1},
    // Cursors.
    {"cr_default", 0},
    {"cr_none", -1},
    {"cr_arrow", -2},
    {"cr_cross", -3},
    {"cr_beam", -4},
    {"cr_size_nesw", -6},
    {"cr_size_ns", -7},
    {"cr_size_nwse", -8},
    {"cr_size_we", -9},
    {"cr_uparrow", -10},
    {"cr_hourglass", -11},
    {"cr_drag", -12},
    {"cr_nodrop", -13},
    {"cr_hsplit", -14},
    {"cr_vsplit", -15},
    {"cr_multidrag", -16},
    {"cr_sqlwait", -17},
    {"cr_no", -18},
    {"cr_appstart", -19},
    {"cr_help", -20},
    {"cr_handpoint", -21},
    {"cr_size_all", -22},
    // Particle shapes, distributions, forces, deflection and change kinds.
    {"pt_shape_pixel", 0},
    {"pt_shape_disk", 1},
    {"pt_shape_square", 2},
    {"pt_shape_line", 3},
    {"pt_shape_star", 4},
    {"pt_shape_circle", 5},
    {"pt_shape_ring", 6},
    {"pt_shape_sphere", 7},
    {"pt_shape_flare", 8},
    {"pt_shape_spark", 9},
    {"pt_shape_explosion", 10},
    {"pt_shape_cloud", 11},
    {"pt_shape_smoke", 12},
    {"pt_shape_snow", 13},
    {"ps_distr_linear", 0},
    {"ps_distr_gaussian", 1},
    {"ps_distr_invgaussian", 2},
    {"ps_shape_rectangle", 0},
    {"ps_shape_ellipse", 1},
    {"ps_shape_diamond", 2},
    {"ps_shape_line", 3},
    {"ps_force_constant", 0},
    {"ps_force_linear", 1},
    {"ps_force_quadratic", 2},
    {"ps_deflect_vertical", 0},
    {"ps_deflect_horizontal", 1},
    {"ps_change_all", 0},
    {"ps_change_shape", 1},
    {"ps_change_motion", 2},
    // Effects.
    {"ef_explosion", 0},
    {"ef_ring", 1},
    {"ef_ellipse", 2},
    {"ef_firework", 3},
    {"ef_smoke", 4},
    {"ef_smokeup", 5},
    {"ef_star", 6},
    {"ef_spark", 7},
    {"ef_flare", 8},
    {"ef_cloud", 9},
    {"ef_rain", 10},
    {"ef_snow", 11},
    // Display orientation.
    {"display_landscape", 0},
    {"display_portrait", 1},
    // Physics joint values and debug render flags.
    {"phy_joint_anchor_1_x", 0},
    {"phy_joint_anchor_1_y", 1},
    {"phy_joint_anchor_2_x", 2},
    {"phy_joint_anchor_2_y", 3},
    {"phy_joint_reaction_force_x", 4},
    {"phy_joint_reaction_force_y", 5},
    {"phy_joint_reaction_torque", 6},
    {"phy_joint_angle", 8},
    {"phy_joint_motor_speed", 7},
    {"phy_joint_motor_torque", 9},
    {"phy_joint_max_motor_torque", 10},
    {"phy_joint_translation", 11},
    {"phy_joint_speed", 12},
    {"phy_joint_motor_force", 13},
    {"phy_joint_max_motor_force", 14},
    {"phy_joint_length_1", 15},
    {"phy_joint_length_2", 16},
    {"phy_debug_render_shapes", 1},
    {"phy_debug_render_joints", 2},
    {"phy_debug_render_coms", 4},
    {"phy_debug_render_aabb", 8},
    {"phy_debug_render_obb", 16},
    {"phy_debug_render_core_shapes", 32},
    {"phy_debug_render_collision_pairs", 64},
    // Audio fall-off models.
    {"audio_falloff_none", 0},
    {"audio_falloff_inverse_distance", 1},
    {"audio_falloff_inverse_distance_clamped", 2},
    {"audio_falloff_linear_distance", 3},
    {"audio_falloff_linear_distance_clamped", 4},
    {"audio_falloff_exponent_distance", 5},
    {"audio_falloff_exponent_distance_clamped", 6},
};

constexpr BuiltinConstant kPlatformConstants[] = {
    // Operating systems, devices, browsers and service results.
    {"os_win32", 0},
    {"os_windows", 0},
    {"os_macosx", 1},
    {"os_psp", 2},
    {"os_ios", 3},
    {"os_android", 4},
    {"os_symbian", 5},
    {"os_linux", 6},
    {"device_ios_unknown", -1},
    {"device_ios_iphone", 0},
    {"device_ios_iphone_retina", 1},
    {"device_ios_ipad", 2},
    {"device_ios_ipad_retina", 3},
    {"browser_not_a_browser", -1},
    {"browser_unknown", 0},
    {"browser_ie", 1},
    {"browser_firefox", 2},
    {"browser_chrome", 3},
    {"browser_safari", 4},
    {"browser_safari_mobile", 5},
    {"browser_opera", 6},
    {"of_challenge_win", 0},
    {"of_challenge_lose", 1},
    {"of_challenge_tie", 2},
    {"leaderboard_type_number", 0},
    {"leaderboard_type_time_mins_secs", 1},
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsIdentifierText(const std::string& s) {
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (s.empty() || !letter(s[0])) return false;
    for (char c : s)
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

// Bytes below 33 as signed bytes: control characters, the space and every byte of 0x80 up.
std::string TrimName(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && static_cast<signed char>(s[a]) < 33) ++a;
    while (b > a && static_cast<signed char>(s[b - 1]) < 33) --b;
    return s.substr(a, b - a);
}

}  // namespace

void Constant_Add(std::string_view name, const CValue& value) {
    CConstantTable& t = Table();
    t.names.emplace_back(name);
    t.values.push_back(value);
}

void Constant_AddReal(std::string_view name, double value) { Constant_Add(name, CValue(value)); }
void Constant_AddText(std::string_view name, std::string_view text) { Constant_Add(name, CValue(text)); }

const CValue* Constant_Find(std::string_view name) {
    const CConstantTable& t = Table();
    for (size_t i = t.names.size(); i-- > 0;)
        if (t.names[i] == name) return &t.values[i];
    return nullptr;
}

const CValue* Constant_FindNoCase(std::string_view name) {
    const CConstantTable& t = Table();
    for (size_t i = t.names.size(); i-- > 0;)
        if (EqualNoCase(t.names[i], name)) return &t.values[i];
    return nullptr;
}

bool Constant_ResolveIdentifier(std::string_view name, CValue& out) {
    if (const CGameResources* res = &*Game().resources) {
        if (const int index = res->FindName(name); index >= 0) {
            out.SetReal(index);
            return true;
        }
    }
    if (const CValue* v = Constant_Find(name)) {
        out.Copy(*v);
        return true;
    }
    return false;
}

void Constant_RegisterBuiltins() {
    CConstantTable& t = Table();
    if (t.builtins) return;
    t.builtins = true;
    for (const BuiltinConstant& c : kBuiltinConstants) Constant_AddReal(c.name, c.value);
}

void Constant_RegisterPlatformServices() {
    CConstantTable& t = Table();
    if (t.platform) return;
    t.platform = true;
    for (const BuiltinConstant& c : kPlatformConstants) Constant_AddReal(c.name, c.value);
}

void Constant_RegisterAll() {
    Constant_RegisterBuiltins();
    Constant_RegisterPlatformServices();
}

int Constant_Count() { return int(Table().names.size()); }

void Constant_Truncate(int count) {
    CConstantTable& t = Table();
    if (count < 0 || size_t(count) >= t.names.size()) return;
    t.names.resize(size_t(count));
    t.values.resize(size_t(count));
}

bool Constant_Define(const std::string& rawName, const std::string& valueText, std::string* message) {
    Constant_RegisterAll();
    const std::string name = TrimName(rawName);
    auto fail = [&](const std::string& text) {
        Console().Output("%s\n", text.c_str());
        if (message) *message = text;
        return false;
    };
    if (!IsIdentifierText(name)) return fail("Constant name " + name + "  is not valid.");

    CCode code;
    std::string error;
    const std::string unitName = "Constant." + std::to_string(Table().defined++);
    if (!Code_Compile(valueText, unitName, CCode::kExpression, code, error))
        return fail("Value for constant " + name + "  is not valid.");
    // The value is worked out for a throw-away instance, as both self and other, with
    // errors kept quiet: a bad value is reported as such, and must not end the game.
    CInstance temporary(0, -1);
    CValue value;
    const bool silent = Game().error.silent;
    Game().error.silent = true;
    const bool ok = Code_Execute(&temporary, &temporary, &code, &value) && !Game().error.flag;
    Game().error.silent = silent;
    if (!ok) return fail("Value for constant " + name + "  is not valid.");
    Constant_Add(name, value);
    return true;
}

bool Constant_DefineGameConstants(const std::vector<std::pair<std::string, std::string>>& constants,
                                  std::string* message) {
    for (const auto& [name, value] : constants)
        if (!Constant_Define(name, value, message)) return false;
    return true;
}
