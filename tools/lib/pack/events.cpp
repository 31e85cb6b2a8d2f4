#include "pack/events.h"

#include "object/event.h"

#include <cctype>
#include <cstdio>

namespace {

struct Named {
    const char* name;
    int number;
};

constexpr Named kKeys[] = {
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
    {"any", 1},
    {"none", 0},
};

constexpr Named kMouse[] = {
    {"left_button", 0},
    {"right_button", 1},
    {"middle_button", 2},
    {"no_button", 3},
    {"left_press", 4},
    {"right_press", 5},
    {"middle_press", 6},
    {"left_release", 7},
    {"right_release", 8},
    {"middle_release", 9},
    {"mouse_enter", 10},
    {"mouse_leave", 11},
    {"global_press", 12},
    {"global_release", 13},
    {"joystick1_left", 16},
    {"joystick1_right", 17},
    {"joystick1_up", 18},
    {"joystick1_down", 19},
    {"joystick1_button1", 21},
    {"joystick1_button2", 22},
    {"joystick1_button3", 23},
    {"joystick1_button4", 24},
    {"joystick1_button5", 25},
    {"joystick1_button6", 26},
    {"joystick1_button7", 27},
    {"joystick1_button8", 28},
    {"joystick2_left", 31},
    {"joystick2_right", 32},
    {"joystick2_up", 33},
    {"joystick2_down", 34},
    {"joystick2_button1", 36},
    {"joystick2_button2", 37},
    {"joystick2_button3", 38},
    {"joystick2_button4", 39},
    {"joystick2_button5", 40},
    {"joystick2_button6", 41},
    {"joystick2_button7", 42},
    {"joystick2_button8", 43},
    {"global_left_button", 50},
    {"global_right_button", 51},
    {"global_middle_button", 52},
    {"global_left_press", 53},
    {"global_right_press", 54},
    {"global_middle_press", 55},
    {"global_left_release", 56},
    {"global_right_release", 57},
    {"global_middle_release", 58},
    {"mouse_wheel_up", 60},
    {"mouse_wheel_down", 61},
};

constexpr Named kOther[] = {
    {"outside", 0},       {"boundary", 1},      {"game_start", 2},    {"game_end", 3},    {"room_start", 4},
    {"room_end", 5},      {"no_more_lives", 6}, {"animation_end", 7}, {"end_of_path", 8}, {"no_more_health", 9},
    {"close_button", 30}, {"image_loaded", 60}, {"sound_loaded", 61},
};

bool ParseNumber(const std::string& s, long lo, long hi, uint32_t& out) {
    if (s.empty() || s.size() > 9) return false;
    long v = 0;
    for (char c : s) {
        if (!std::isdigit(uint8_t(c))) return false;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return false;
    out = uint32_t(v);
    return true;
}

// "name7" with 0 <= 7 <= hi: the number after the prefix.
bool NumberedName(const std::string& s, const std::string& prefix, long hi, uint32_t& out) {
    return s.compare(0, prefix.size(), prefix) == 0 && ParseNumber(s.substr(prefix.size()), 0, hi, out);
}

template <size_t N>
bool FindNamed(const Named (&table)[N], const std::string& name, uint32_t& out) {
    for (const Named& n : table)
        if (name == n.name) {
            out = uint32_t(n.number);
            return true;
        }
    return false;
}

std::string Format(const char* fmt, int v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// The engine's own key names, so that packed and running code name keys alike.
std::string KeyName(uint32_t k) {
    char buffer[16];
    return Event_KeyName(int(k), buffer);
}

std::string MouseName(uint32_t n) {
    static const char* const kFixed[] = {"Left Button",    "Right Button",    "Middle Button",  "No Button",
                                         "Left Pressed",   "Right Pressed",   "Middle Pressed", "Left Released",
                                         "Right Released", "Middle Released", "Mouse Enter",    "Mouse Leave"};
    static const char* const kGlobal[] = {"Glob Left Button",   "Glob Right Button",   "Glob Middle Button",
                                          "Glob Left Pressed",  "Glob Right Pressed",  "Glob Middle Pressed",
                                          "Glob Left Released", "Glob Right Released", "Glob Middle Released"};
    static const char* const kDir[] = {"Left", "Right", "Up", "Down"};
    if (n <= 11) return kFixed[n];
    if (n >= 16 && n <= 19) return std::string("Joystick 1 ") + kDir[n - 16];
    if (n >= 21 && n <= 28) return Format("Joystick 1 Button %d", int(n) - 20);
    if (n >= 31 && n <= 34) return std::string("Joystick 2 ") + kDir[n - 31];
    if (n >= 36 && n <= 43) return Format("Joystick 2 Button %d", int(n) - 35);
    if (n >= 50 && n <= 58) return kGlobal[n - 50];
    if (n == 60) return "Mouse Wheel Up";
    if (n == 61) return "Mouse Wheel Down";
    return "<unknown>";
}

std::string OtherName(uint32_t n) {
    static const char* const kFixed[] = {"Outside Room", "Intersect Boundary", "Game Start",    "Game End",
                                         "Room Start",   "Room End",           "No More Lives", "Animation End",
                                         "End Of Path",  "No More Health"};
    if (n <= 9) return kFixed[n];
    if (n >= 10 && n <= 25) return Format("User Defined %d", int(n) - 10);
    if (n == 30) return "Close Button";
    if (n >= 40 && n <= 47) return Format("Outside View %d", int(n) - 40);
    if (n >= 50 && n <= 57) return Format("Boundary View %d", int(n) - 50);
    if (n == 60) return "Image Loaded";
    if (n == 61) return "Sound Loaded";
    return "<unknown>";
}

}  // namespace

int PackEvent_KeyCode(const std::string& name) {
    uint32_t v = 0;
    if (FindNamed(kKeys, name, v)) return int(v);
    if (name.size() == 1) {
        char c = name[0];
        if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    }
    if (ParseNumber(name, 0, 255, v)) return int(v);
    return -1;
}

bool PackEvent_Parse(const std::string& key, const TObjectLookup& objects, PackEventKey& out, std::string& error) {
    const size_t colon = key.find(':');
    const std::string kind = key.substr(0, colon);
    const std::string arg = colon == std::string::npos ? "" : key.substr(colon + 1);
    const bool hasArg = colon != std::string::npos;
    auto noArg = [&](int type, uint32_t number) {
        if (hasArg) {
            error = "the event \"" + kind + "\" takes nothing after a colon";
            return false;
        }
        out = PackEventKey{type, number};
        return true;
    };
    uint32_t n = 0;
    if (kind == "create") return noArg(kPackEvCreate, 0);
    if (kind == "destroy") return noArg(kPackEvDestroy, 0);
    if (kind == "draw") return noArg(kPackEvDraw, 0);
    if (kind == "step") return noArg(kPackEvStep, 0);
    if (kind == "begin_step") return noArg(kPackEvStep, 1);
    if (kind == "end_step") return noArg(kPackEvStep, 2);
    if (!hasArg && NumberedName(kind, "alarm", 11, n)) return noArg(kPackEvAlarm, n);
    if (kind == "alarm") {
        if (!ParseNumber(arg, 0, 11, n)) {
            error = "an alarm event needs an alarm number from 0 to 11";
            return false;
        }
        out = PackEventKey{kPackEvAlarm, n};
        return true;
    }
    if (!hasArg) {
        error = "unknown event \"" + key + "\"";
        return false;
    }
    if (kind == "collision") {
        int index = objects ? objects(arg) : -1;
        if (index < 0) {
            error = "collision event with \"" + arg + "\", which is not an object of the project";
            return false;
        }
        out = PackEventKey{kPackEvCollision, uint32_t(index)};
        return true;
    }
    if (kind == "keyboard" || kind == "keypress" || kind == "keyrelease") {
        int code = PackEvent_KeyCode(arg);
        if (code < 0) {
            error = "unknown key \"" + arg + "\" (use a vk_ name, a letter or digit, or a key code 0 to 255)";
            return false;
        }
        int type = kind == "keyboard" ? kPackEvKeyboard : kind == "keypress" ? kPackEvKeyPress : kPackEvKeyRelease;
        out = PackEventKey{type, uint32_t(code)};
        return true;
    }
    if (kind == "mouse") {
        if (!FindNamed(kMouse, arg, n) && !ParseNumber(arg, 0, 255, n)) {
            error = "unknown mouse event \"" + arg + "\"";
            return false;
        }
        out = PackEventKey{kPackEvMouse, n};
        return true;
    }
    if (kind == "other") {
        if (!FindNamed(kOther, arg, n) && !NumberedName(arg, "user", 15, n) &&
            !NumberedName(arg, "outside_view", 7, n) && !NumberedName(arg, "boundary_view", 7, n) &&
            !ParseNumber(arg, 0, 255, n)) {
            error = "unknown other event \"" + arg + "\"";
            return false;
        }
        if (arg.compare(0, 4, "user") == 0) n += 10;
        else if (arg.compare(0, 12, "outside_view") == 0) n += 40;
        else if (arg.compare(0, 13, "boundary_view") == 0) n += 50;
        out = PackEventKey{kPackEvOther, n};
        return true;
    }
    if (kind == "trigger") {
        if (!ParseNumber(arg, 0, 1000000, n)) {
            error = "a trigger event needs a trigger number";
            return false;
        }
        out = PackEventKey{kPackEvTrigger, n};
        return true;
    }
    error = "unknown event \"" + key + "\"";
    return false;
}

std::string PackEvent_ShortName(int type, uint32_t number, const TObjectName& objectName) {
    switch (type) {
    case kPackEvCreate: return "Create";
    case kPackEvDestroy: return "Destroy";
    case kPackEvAlarm: return Format("Alarm %d", int(number));
    case kPackEvStep: return std::string(number == 1 ? "Begin" : number == 2 ? "End" : "") + "Step";
    case kPackEvCollision: {
        std::string name = objectName ? objectName(int(number)) : "";
        return name.empty() ? "<undefined>" : name;
    }
    case kPackEvKeyboard: return KeyName(number);
    case kPackEvMouse: return MouseName(number);
    case kPackEvOther: return OtherName(number);
    case kPackEvDraw: return "Draw";
    case kPackEvKeyPress: return "press " + KeyName(number);
    case kPackEvKeyRelease: return "release " + KeyName(number);
    default: return "<Unknown Event>";
    }
}
