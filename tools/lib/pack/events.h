#pragma once
// Event keys of the project format ("step", "alarm3", "keypress:vk_left",
// "collision:obj_wall", "other:room_start") and the short event names the engine
// gives compiled event code ("Object.<object>.<event>.<action>").
#include <cstdint>
#include <functional>
#include <string>

enum PackEventType : int {
    kPackEvCreate = 0,
    kPackEvDestroy = 1,
    kPackEvAlarm = 2,
    kPackEvStep = 3,
    kPackEvCollision = 4,
    kPackEvKeyboard = 5,
    kPackEvMouse = 6,
    kPackEvOther = 7,
    kPackEvDraw = 8,
    kPackEvKeyPress = 9,
    kPackEvKeyRelease = 10,
    kPackEvTrigger = 11,
};

struct PackEventKey {
    int type = 0;
    uint32_t number = 0;
};

// Looks up an object's index by name (collision events); -1 when there is none.
using TObjectLookup = std::function<int(const std::string& name)>;

// Parses one key of an object's "events". False with `error` set to a sentence that
// says what is wrong ("unknown key name vk_lefft").
bool PackEvent_Parse(const std::string& key, const TObjectLookup& objects, PackEventKey& out, std::string& error);

// The short name of an event: "Create", "Alarm 3", "BeginStep", "<Left>", "press A-key",
// the other object's name for collisions ("<undefined>" when there is none).
using TObjectName = std::function<std::string(int index)>;
std::string PackEvent_ShortName(int type, uint32_t number, const TObjectName& objectName);

// Key code of a key name ("vk_left", "A", "7", "any", "none", or a number 0..255); -1 if unknown.
int PackEvent_KeyCode(const std::string& name);
