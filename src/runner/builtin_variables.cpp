// The built-in variables whose fields belong to instances, rooms, the run state, the
// clock and the current event.
#include <cmath>
#include <ctime>

#include "data/game.h"
#include "data/game_resources.h"
#include "function/function_http.h"
#include "function/function_input.h"
#include "graphics/sprite.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/motion.h"
#include "physics/physics.h"
#include "platform/clock.h"
#include "room/room.h"
#include "room/room_draw.h"
#include "runner/game_loop.h"
#include "variable/builtin_field.h"
#include "variable/variables.h"
#include "vm/machine.h"

namespace {

// Integer fields take the real rounded half to even.
int RoundInt(double v) { return Real_TruncToInt32(std::nearbyint(v)); }
bool NonZero(double v) { return std::nearbyint(v) != 0.0; }

// An array built-in takes an index outside its range as 0.
int Slot(int32_t index, int count) { return index >= 0 && index < count ? index : 0; }

struct TVariable {
    const char* name;
    TBuiltinGetter getter;
    TBuiltinSetter setter;
    CInstanceField field = {};  // set where the getter is GET_FIELD(i->field) and nothing more
};

// --- instance fields --------------------------------------------------------------------------

#define GET_FIELD(expr)                            \
    [](CInstance* i, int32_t, CValue& r) -> bool { \
        if (!i) return false;                      \
        r.SetReal(double(expr));                   \
        return true;                               \
    }
#define SET_FLOAT(field, extra)                          \
    [](CInstance* i, int32_t, const CValue& v) -> bool { \
        if (!i) return false;                            \
        i->field = float(v.val);                         \
        extra;                                           \
        return true;                                     \
    }
#define SET_INT(field, extra)                            \
    [](CInstance* i, int32_t, const CValue& v) -> bool { \
        if (!i) return false;                            \
        i->field = RoundInt(v.val);                      \
        extra;                                           \
        return true;                                     \
    }
#define SET_BOOL(field)                                  \
    [](CInstance* i, int32_t, const CValue& v) -> bool { \
        if (!i) return false;                            \
        i->field = NonZero(v.val);                       \
        return true;                                     \
    }
#define FLOAT_FIELD(name, field) \
    { name, GET_FIELD(i->field), SET_FLOAT(field, (void)0), &CInstance::field }
#define BOX_FLOAT(name, field) \
    { name, GET_FIELD(i->field), SET_FLOAT(field, Instance_MarkMoved(i)), &CInstance::field }
// Fields whose setter is one of the motion layer's (coupled or position-only-on-change).
#define MOTION_FIELD(name, field, setter)                        \
    {                                                            \
        name, GET_FIELD(i->field),                               \
            [](CInstance* i, int32_t, const CValue& v) -> bool { \
                if (!i) return false;                            \
                setter;                                          \
                return true;                                     \
            },                                                   \
            &CInstance::field                                    \
    }
#define INT_FIELD(name, field) \
    { name, GET_FIELD(i->field), SET_INT(field, (void)0), &CInstance::field }
#define BOOL_FIELD(name, field) \
    { name, GET_FIELD(i->field ? 1 : 0), SET_BOOL(field), &CInstance::field }
#define BOX_READ(name, field)                              \
    {                                                      \
        name,                                              \
            [](CInstance* i, int32_t, CValue& r) -> bool { \
                if (!i) return false;                      \
                Instance_UpdateBox(*i);                    \
                r.SetReal(i->field);                       \
                return true;                               \
            },                                             \
            nullptr                                        \
    }

const CSprite* SpriteOf(const CInstance* i) {
    const CGameResources* res = &*Game().resources;
    const int s = i->spriteIndex;
    return res && s >= 0 && size_t(s) < res->sprites.size() ? res->sprites[size_t(s)].get() : nullptr;
}

bool GetAlarm(CInstance* i, int32_t index, CValue& r) {
    if (!i) return false;
    r.SetReal(i->alarm[Slot(index, kAlarmCount)]);
    return true;
}

bool SetAlarm(CInstance* i, int32_t index, const CValue& v) {
    if (!i) return false;
    i->alarm[Slot(index, kAlarmCount)] = RoundInt(v.val);
    return true;
}

bool SetDepth(CInstance* i, int32_t, const CValue& v) {
    if (!i) return false;
    Instance_SetDepth(i, float(v.val));
    return true;
}

// image_single: -1 while animating, else the frame held still.
bool GetImageSingle(CInstance* i, int32_t, CValue& r) {
    if (!i) return false;
    r.SetReal(i->imageSpeed == 0 ? double(i->imageIndex) : -1.0);
    return true;
}

bool SetImageSingle(CInstance* i, int32_t, const CValue& v) {
    if (!i) return false;
    if (v.val < 0) {
        i->imageSpeed = 1;
    } else {
        i->imageIndex = float(v.val);
        i->imageSpeed = 0;
    }
    return true;
}

bool SetImageBlend(CInstance* i, int32_t, const CValue& v) {
    if (!i) return false;
    i->imageBlend = uint32_t(RoundInt(v.val));
    return true;
}

#define SPRITE_READ(name, expr)                            \
    {                                                      \
        name,                                              \
            [](CInstance* i, int32_t, CValue& r) -> bool { \
                if (!i) return false;                      \
                const CSprite* s = SpriteOf(i);            \
                r.SetReal(s ? double(expr) : 0.0);         \
                return true;                               \
            },                                             \
            nullptr                                        \
    }

const TVariable kInstanceVariables[] = {
    MOTION_FIELD("x", x, Motion_SetPosition(*i, v.val, i->y)),
    MOTION_FIELD("y", y, Motion_SetPosition(*i, i->x, v.val)),
    FLOAT_FIELD("xprevious", xprevious),
    FLOAT_FIELD("yprevious", yprevious),
    FLOAT_FIELD("xstart", xstart),
    FLOAT_FIELD("ystart", ystart),
    MOTION_FIELD("hspeed", hspeed, Motion_SetHspeed(*i, v.val)),
    MOTION_FIELD("vspeed", vspeed, Motion_SetVspeed(*i, v.val)),
    MOTION_FIELD("direction", direction, Motion_SetDirection(*i, v.val)),
    MOTION_FIELD("speed", speed, Motion_SetSpeed(*i, v.val)),
    FLOAT_FIELD("friction", friction),
    FLOAT_FIELD("gravity", gravity),
    FLOAT_FIELD("gravity_direction", gravityDirection),
    {"object_index", GET_FIELD(i->objectIndex), nullptr, &CInstance::objectIndex},
    {"id", GET_FIELD(i->id), nullptr, &CInstance::id},
    {"alarm", GetAlarm, SetAlarm},
    BOOL_FIELD("solid", solid),
    BOOL_FIELD("visible", visible),
    BOOL_FIELD("persistent", persistent),
    {"depth", GET_FIELD(i->depth), SetDepth, &CInstance::depth},
    BOX_READ("bbox_left", bboxLeft),
    BOX_READ("bbox_right", bboxRight),
    BOX_READ("bbox_top", bboxTop),
    BOX_READ("bbox_bottom", bboxBottom),
    {"sprite_index", GET_FIELD(i->spriteIndex), SET_INT(spriteIndex, Instance_MarkMoved(i)), &CInstance::spriteIndex},
    FLOAT_FIELD("image_index", imageIndex),
    {"image_single", GetImageSingle, SetImageSingle},
    {"image_number", GET_FIELD(Sprite_FrameCount(i->spriteIndex)), nullptr},
    SPRITE_READ("sprite_width", s->width * i->imageXScale),
    SPRITE_READ("sprite_height", s->height * i->imageYScale),
    SPRITE_READ("sprite_xoffset", s->xorigin),
    SPRITE_READ("sprite_yoffset", s->yorigin),
    BOX_FLOAT("image_xscale", imageXScale),
    BOX_FLOAT("image_yscale", imageYScale),
    BOX_FLOAT("image_angle", imageAngle),
    FLOAT_FIELD("image_alpha", imageAlpha),
    {"image_blend", GET_FIELD(i->imageBlend), SetImageBlend, &CInstance::imageBlend},
    FLOAT_FIELD("image_speed", imageSpeed),
    {"mask_index", GET_FIELD(i->maskIndex), SET_INT(maskIndex, Instance_MarkMoved(i)), &CInstance::maskIndex},
    {"path_index", GET_FIELD(i->pathIndex), nullptr, &CInstance::pathIndex},
    FLOAT_FIELD("path_position", pathPosition),
    FLOAT_FIELD("path_positionprevious", pathPositionPrevious),
    FLOAT_FIELD("path_speed", pathSpeed),
    FLOAT_FIELD("path_scale", pathScale),
    FLOAT_FIELD("path_orientation", pathOrientation),
    INT_FIELD("path_endaction", pathEndAction),
    INT_FIELD("timeline_index", timelineIndex),
    FLOAT_FIELD("timeline_position", timelinePosition),
    FLOAT_FIELD("timeline_speed", timelineSpeed),
    BOOL_FIELD("timeline_running", timelineRunning),
    BOOL_FIELD("timeline_loop", timelineLoop),
};

// --- engine-wide values -----------------------------------------------------------------------

#define GET_VALUE(expr)                          \
    [](CInstance*, int32_t, CValue& r) -> bool { \
        r.SetReal(double(expr));                 \
        return true;                             \
    }
#define GET_TEXT(expr)                           \
    [](CInstance*, int32_t, CValue& r) -> bool { \
        r.SetString(expr);                       \
        return true;                             \
    }
#define SET_VALUE(stmt)                                \
    [](CInstance*, int32_t, const CValue& v) -> bool { \
        stmt;                                          \
        return true;                                   \
    }

CRoom* Running() { return Room_Running(); }

bool SetRoomCaption(CInstance*, int32_t, const CValue& v) {
    if (CRoom* room = Running()) room->caption = v.Text();
    Game().run.captionDirty = true;
    return true;
}

bool GetInstanceId(CInstance*, int32_t index, CValue& r) {
    int n = 0;
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next, ++n)
        if (n == index) return r.SetReal(i->id), true;
    r.SetReal(kNoone);
    return true;
}

// The local date and time, read afresh on each access.
std::tm Now() {
    std::time_t t = std::time(nullptr);
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

int64_t ProcessMilliseconds() {
    static const int64_t base = Timing_Time();
    return (Timing_Time() - base) / 1000;
}

const TVariable kEngineVariables[] = {
    {"room", GET_VALUE(Room_CurrentIndex()), SET_VALUE(Game_RequestRoom(RoundInt(v.val)))},
    {"room_first", GET_VALUE(Room_First()), nullptr},
    {"game_id", GET_VALUE(double(Game().resources->header.gameId)), nullptr},
    {"room_last", GET_VALUE(Room_Last()), nullptr},
    {"transition_kind", GET_VALUE(Game().run.transitionKind), SET_VALUE(Game().run.transitionKind = RoundInt(v.val))},
    {"transition_steps", GET_VALUE(Game().run.transitionSteps),
     SET_VALUE(Game().run.transitionSteps = RoundInt(v.val))},
    {"room_width", GET_VALUE(Running() ? Running()->width : 0), nullptr},
    {"room_height", GET_VALUE(Running() ? Running()->height : 0), nullptr},
    {"room_caption", GET_TEXT(Running() ? Running()->caption : std::string()), SetRoomCaption},
    {"room_speed", GET_VALUE(Running() ? Running()->speed : 0),
     SET_VALUE(if (CRoom* room = Running()) room->speed = RoundInt(v.val))},
    {"room_persistent", GET_VALUE(Running() && Running()->persistent ? 1 : 0),
     SET_VALUE(if (CRoom* room = Running()) room->persistent = NonZero(v.val))},
    {"score", GET_VALUE(Game().run.score),
     SET_VALUE((Game().run.score = RoundInt(v.val), Game().run.captionDirty = true))},
    {"lives", GET_VALUE(Game().run.lives), SET_VALUE(Game_SetLives(RoundInt(v.val)))},
    {"health", GET_VALUE(Game().run.health), SET_VALUE(Game_SetHealth(v.val))},
    {"show_score", GET_VALUE(Game().run.showScore ? 1 : 0),
     SET_VALUE((Game().run.showScore = NonZero(v.val), Game().run.captionDirty = true))},
    {"show_lives", GET_VALUE(Game().run.showLives ? 1 : 0),
     SET_VALUE((Game().run.showLives = NonZero(v.val), Game().run.captionDirty = true))},
    {"show_health", GET_VALUE(Game().run.showHealth ? 1 : 0),
     SET_VALUE((Game().run.showHealth = NonZero(v.val), Game().run.captionDirty = true))},
    {"caption_score", GET_TEXT(Game().run.captionScore),
     SET_VALUE((Game().run.captionScore = v.Text(), Game().run.captionDirty = true))},
    {"caption_lives", GET_TEXT(Game().run.captionLives),
     SET_VALUE((Game().run.captionLives = v.Text(), Game().run.captionDirty = true))},
    {"caption_health", GET_TEXT(Game().run.captionHealth),
     SET_VALUE((Game().run.captionHealth = v.Text(), Game().run.captionDirty = true))},
    {"instance_count", GET_VALUE(Running() ? Running()->active.count : 0), nullptr},
    {"instance_id", GetInstanceId, nullptr},
    {"cursor_sprite", GET_VALUE(Game().run.cursorSprite), SET_VALUE(Game().run.cursorSprite = RoundInt(v.val))},
    {"fps", GET_VALUE(Game().run.fps), nullptr},
    {"current_time", GET_VALUE(ProcessMilliseconds()), nullptr},
    {"current_year", GET_VALUE(Now().tm_year + 1900), nullptr},
    {"current_month", GET_VALUE(Now().tm_mon + 1), nullptr},
    {"current_day", GET_VALUE(Now().tm_mday), nullptr},
    {"current_weekday", GET_VALUE(Now().tm_wday), nullptr},
    {"current_hour", GET_VALUE(Now().tm_hour), nullptr},
    {"current_minute", GET_VALUE(Now().tm_min), nullptr},
    {"current_second", GET_VALUE(Now().tm_sec), nullptr},
    {"event_type", GET_VALUE(Event_Current().type), nullptr},
    {"event_number", GET_VALUE(Event_Current().number), nullptr},
    {"event_object", GET_VALUE(Event_Current().object), nullptr},
    {"event_action", GET_VALUE(0), nullptr},
    {"delta_time", GET_VALUE(Game().run.deltaTime), nullptr},
};

}  // namespace

void Game_ConnectVariables() {
    Variable_RegisterBuiltins();
    for (const TVariable& v : kInstanceVariables) Variable_ConnectBuiltinField(v.name, v.getter, v.setter, v.field);
    for (const TVariable& v : kEngineVariables) Variable_ConnectBuiltin(v.name, v.getter, v.setter);
    Room_ConnectVariables();
    Input_ConnectVariables();
    Http_ConnectVariables();
    Physics_ConnectVariables();
}
