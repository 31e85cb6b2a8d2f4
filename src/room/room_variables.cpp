// The built-in variables of the running room's views and background slots. Without a
// running room a read gives 0 and a write is dropped.
#include <cmath>

#include "graphics/background.h"
#include "graphics/sprite_draw.h"
#include "room/room_draw.h"
#include "value/value.h"
#include "variable/variables.h"

namespace {

int RoundInt(double v) { return Real_TruncToInt32(std::nearbyint(v)); }
// The indexed ones take 0..7; any other index is slot 0.
size_t Slot(int32_t index) { return index >= 0 && index < 8 ? size_t(index) : 0; }

struct TVariable {
    const char* name;
    TBuiltinGetter getter;
    TBuiltinSetter setter;
};

#define ROOM_GET(expr)                           \
    [](CInstance*, int32_t, CValue& r) -> bool { \
        const CRoom* room = Room_Running();      \
        r.SetReal(room ? double(expr) : 0.0);    \
        return true;                             \
    }
#define ROOM_SET(stmt)                                 \
    [](CInstance*, int32_t, const CValue& v) -> bool { \
        if (CRoom* room = Room_Running()) {            \
            stmt;                                      \
        }                                              \
        return true;                                   \
    }
#define SLOT_GET(array, expr)                          \
    [](CInstance*, int32_t index, CValue& r) -> bool { \
        const CRoom* room = Room_Running();            \
        if (!room) return r.SetReal(0), true;          \
        const auto& s = room->array[Slot(index)];      \
        r.SetReal(double(expr));                       \
        return true;                                   \
    }
#define SLOT_SET(array, stmt)                                \
    [](CInstance*, int32_t index, const CValue& v) -> bool { \
        if (CRoom* room = Room_Running()) {                  \
            auto& s = room->array[Slot(index)];              \
            stmt;                                            \
        }                                                    \
        return true;                                         \
    }

#define BG_INT(name, field) \
    { name, SLOT_GET(backgrounds, s.field), SLOT_SET(backgrounds, s.field = RoundInt(v.val)) }
#define BG_BOOL(name, field) \
    { name, SLOT_GET(backgrounds, s.field ? 1 : 0), SLOT_SET(backgrounds, s.field = Real_IsTrue(v.val)) }
// The slots' reals are 32-bit floats in the room's records.
#define BG_FLOAT(name, field) \
    { name, SLOT_GET(backgrounds, s.field), SLOT_SET(backgrounds, s.field = double(float(v.val))) }
#define VIEW_INT(name, field) \
    { name, SLOT_GET(views, s.field), SLOT_SET(views, s.field = RoundInt(v.val)) }

double BackgroundWidth(const CRoomBackground& s) {
    const CBackground* b = Background_Get(s.index);
    return b ? b->width : 0;
}
double BackgroundHeight(const CRoomBackground& s) {
    const CBackground* b = Background_Get(s.index);
    return b ? b->height : 0;
}

const TVariable kRoomVariables[] = {
    {"background_color", ROOM_GET(room->colour), ROOM_SET(room->colour = uint32_t(RoundInt(v.val)) & 0xFFFFFF)},
    {"background_showcolor", ROOM_GET(room->showColour ? 1 : 0), ROOM_SET(room->showColour = Real_IsTrue(v.val))},
    BG_BOOL("background_visible", visible),
    BG_BOOL("background_foreground", foreground),
    BG_INT("background_index", index),
    BG_FLOAT("background_x", x),
    BG_FLOAT("background_y", y),
    {"background_width", SLOT_GET(backgrounds, BackgroundWidth(s)), nullptr},
    {"background_height", SLOT_GET(backgrounds, BackgroundHeight(s)), nullptr},
    BG_BOOL("background_htiled", tileH),
    BG_BOOL("background_vtiled", tileV),
    BG_FLOAT("background_xscale", xscale),
    BG_FLOAT("background_yscale", yscale),
    BG_FLOAT("background_hspeed", hspeed),
    BG_FLOAT("background_vspeed", vspeed),
    {"background_blend", SLOT_GET(backgrounds, s.blend),
     SLOT_SET(backgrounds, s.blend = uint32_t(RoundInt(v.val)) & 0xFFFFFF)},
    BG_FLOAT("background_alpha", alpha),

    {"view_enabled", ROOM_GET(room->viewsEnabled ? 1 : 0), ROOM_SET(room->viewsEnabled = Real_IsTrue(v.val))},
    {"view_current",
     [](CInstance*, int32_t, CValue& r) -> bool {
         r.SetReal(Room_ViewCurrent());
         return true;
     },
     nullptr},
    {"view_visible", SLOT_GET(views, s.visible ? 1 : 0), SLOT_SET(views, s.visible = Real_IsTrue(v.val))},
    VIEW_INT("view_xview", viewX),
    VIEW_INT("view_yview", viewY),
    VIEW_INT("view_wview", viewW),
    VIEW_INT("view_hview", viewH),
    VIEW_INT("view_xport", portX),
    VIEW_INT("view_yport", portY),
    VIEW_INT("view_wport", portW),
    VIEW_INT("view_hport", portH),
    {"view_angle", SLOT_GET(views, s.angle), SLOT_SET(views, s.angle = double(float(v.val)))},
    VIEW_INT("view_hborder", hborder),
    VIEW_INT("view_vborder", vborder),
    VIEW_INT("view_hspeed", hspeed),
    VIEW_INT("view_vspeed", vspeed),
    VIEW_INT("view_object", follow),
    VIEW_INT("view_surface_id", surface),
};

}  // namespace

void Room_ConnectVariables() {
    for (const TVariable& v : kRoomVariables) Variable_ConnectBuiltin(v.name, v.getter, v.setter);
}
