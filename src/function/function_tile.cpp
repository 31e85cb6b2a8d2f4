#include "function/function_tile.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "room/room.h"
#include "room/room_tiles.h"
#include "value/args.h"
#include "value/value.h"

namespace {

// --- the running room's tiles -----------------------------------------------------------------

// The tile named by the first argument, or null (no running room, no such tile).
CRoomTile* TileArg(int argc, const CValue* args) {
    CRoom* room = Room_Running();
    return room ? Tile_Get(*room, Arg_Int(argc, args, 0)) : nullptr;
}

// Getters of a missing tile give 0, tile_get_background -1.
#define TILE_GET(NAME, EXPR, MISSING)                                           \
    void NAME(CValue& result, CInstance*, CInstance*, int argc, CValue* args) { \
        const CRoomTile* t = TileArg(argc, args);                               \
        result.SetReal(t ? double(EXPR) : (MISSING));                           \
    }
TILE_GET(F_TileGetX, t->x, 0)
TILE_GET(F_TileGetY, t->y, 0)
TILE_GET(F_TileGetLeft, t->srcX, 0)
TILE_GET(F_TileGetTop, t->srcY, 0)
TILE_GET(F_TileGetWidth, t->width, 0)
TILE_GET(F_TileGetHeight, t->height, 0)
TILE_GET(F_TileGetDepth, t->depth, 0)
TILE_GET(F_TileGetVisible, t->visible ? 1 : 0, 0)
TILE_GET(F_TileGetXScale, t->xscale, 0)
TILE_GET(F_TileGetYScale, t->yscale, 0)
TILE_GET(F_TileGetBlend, t->blend, 0)
TILE_GET(F_TileGetAlpha, t->alpha, 0)
TILE_GET(F_TileGetBackground, t->background, -1)
#undef TILE_GET

// A changed depth leaves the array out of order; the next redraw sorts it.
#define TILE_SET(NAME, STMT)                                             \
    void NAME(CValue&, CInstance*, CInstance*, int argc, CValue* args) { \
        if (CRoomTile* t = TileArg(argc, args)) {                        \
            STMT;                                                        \
        }                                                                \
    }
TILE_SET(F_TileSetVisible, t->visible = Arg_Bool(argc, args, 1))
TILE_SET(F_TileSetBackground, t->background = Arg_Int(argc, args, 1))
TILE_SET(F_TileSetRegion, (t->srcX = Arg_Int(argc, args, 1), t->srcY = Arg_Int(argc, args, 2),
                           t->width = Arg_Int(argc, args, 3), t->height = Arg_Int(argc, args, 4)))
TILE_SET(F_TileSetPosition, (t->x = Arg_Float(argc, args, 1), t->y = Arg_Float(argc, args, 2)))
TILE_SET(F_TileSetDepth, t->depth = Arg_Float(argc, args, 1))
TILE_SET(F_TileSetScale, (t->xscale = Arg_Float(argc, args, 1), t->yscale = Arg_Float(argc, args, 2)))
TILE_SET(F_TileSetBlend, t->blend = Arg_Colour(argc, args, 1))
TILE_SET(F_TileSetAlpha, t->alpha = float(Arg_Alpha(argc, args, 1)))
#undef TILE_SET

// tile_add(background, left, top, width, height, x, y, depth): the new id, -1 without
// a running room.
void F_TileAdd(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = Room_Running();
    if (!room) return result.SetReal(-1);
    CRoomTile t;
    t.background = Arg_Int(argc, args, 0);
    t.srcX = Arg_Int(argc, args, 1);
    t.srcY = Arg_Int(argc, args, 2);
    t.width = Arg_Int(argc, args, 3);
    t.height = Arg_Int(argc, args, 4);
    t.x = Arg_Float(argc, args, 5);
    t.y = Arg_Float(argc, args, 6);
    t.depth = Arg_Float(argc, args, 7);
    result.SetReal(Tile_Add(*room, t));
}

void F_TileExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(TileArg(argc, args) ? 1 : 0);
}

void F_TileDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CRoom* room = Room_Running()) Tile_Delete(*room, Arg_Int(argc, args, 0));
}

// tile_find(x, y, foreground): the top-most tile at the point among the foreground tiles
// (depth below 0) or the others.
void F_TileFind(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = Room_Running();
    result.SetReal(room ? Tile_FindAt(*room, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Bool(argc, args, 2))
                        : -1);
}

void F_TileDeleteAt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = Room_Running();
    if (!room) return;
    const int id = Tile_FindAt(*room, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Bool(argc, args, 2));
    if (id != -1) Tile_Delete(*room, id);
}

// The layer functions act on every tile whose depth is the given one.
template <typename Act>
void ForLayer(int argc, const CValue* args, Act act) {
    CRoom* room = Room_Running();
    if (!room) return;
    const float depth = Arg_Float(argc, args, 0);
    for (CRoomTile& t : room->tileArray)
        if (t.depth == depth) act(t);
}

void F_TileLayerHide(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    ForLayer(argc, args, [](CRoomTile& t) { t.visible = false; });
}

void F_TileLayerShow(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    ForLayer(argc, args, [](CRoomTile& t) { t.visible = true; });
}

void F_TileLayerShift(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const float dx = Arg_Float(argc, args, 1), dy = Arg_Float(argc, args, 2);
    ForLayer(argc, args, [dx, dy](CRoomTile& t) {
        t.x += dx;
        t.y += dy;
    });
}

void F_TileLayerDepth(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const float to = Arg_Float(argc, args, 1);
    ForLayer(argc, args, [to](CRoomTile& t) { t.depth = to; });
}

void F_TileLayerDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = Room_Running();
    if (!room) return;
    const float depth = Arg_Float(argc, args, 0);
    std::erase_if(room->tileArray, [depth](const CRoomTile& t) { return t.depth == depth; });
}

void F_TileLayerFind(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = Room_Running();
    result.SetReal(
        room ? Tile_FindInLayer(*room, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2)) : -1);
}

void F_TileLayerDeleteAt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = Room_Running();
    if (!room) return;
    const int id = Tile_FindInLayer(*room, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2));
    if (id != -1) Tile_Delete(*room, id);
}

// --- room definitions ----------------------------------------------------------------------------

CRoom* RoomArg(int argc, const CValue* args) { return Room_Definition(Arg_Int(argc, args, 0)); }

// A tile record holds whole numbers for position, size and depth and the alpha as a
// byte, as the file does.
CRoomTile RecordTile(int argc, const CValue* args) {
    CRoomTile t;
    t.background = Arg_Int(argc, args, 1);
    t.srcX = Arg_IntTrunc(argc, args, 2);
    t.srcY = Arg_IntTrunc(argc, args, 3);
    t.width = Arg_IntTrunc(argc, args, 4);
    t.height = Arg_IntTrunc(argc, args, 5);
    t.x = float(Arg_IntTrunc(argc, args, 6));
    t.y = float(Arg_IntTrunc(argc, args, 7));
    t.depth = float(Arg_IntTrunc(argc, args, 8));
    return t;
}

void AddRecordTile(CValue& result, CRoom& room, CRoomTile t) {
    t.id = Tile_NextId();
    Tile_RecordsForChange(room).push_back(t);
    result.SetReal(t.id);
}

// room_tile_add(room, background, left, top, width, height, x, y, depth): the new id, or
// -1 for a missing room.
void F_RoomTileAdd(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = RoomArg(argc, args);
    if (!room) return result.SetReal(-1);
    AddRecordTile(result, *room, RecordTile(argc, args));
}

// room_tile_add_ext(room, background, left, top, width, height, x, y, depth, xscale,
// yscale, alpha).
void F_RoomTileAddExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = RoomArg(argc, args);
    if (!room) return result.SetReal(-1);
    CRoomTile t = RecordTile(argc, args);
    t.xscale = Arg_Float(argc, args, 9);
    t.yscale = Arg_Float(argc, args, 10);
    t.alpha = float(std::lround(float(Arg_Alpha(argc, args, 11)) * 255.0f)) / 255.0f;
    AddRecordTile(result, *room, t);
}

void F_RoomTileClear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CRoom* room = RoomArg(argc, args)) Tile_RecordsForChange(*room).clear();
}

// The slot of a definition named by the second argument, or null.
template <typename Slots>
auto SlotArg(Slots& slots, int argc, const CValue* args) -> decltype(&slots[0]) {
    const int n = Arg_Int(argc, args, 1);
    return n >= 0 && size_t(n) < std::size(slots) ? &slots[size_t(n)] : nullptr;
}

// room_set_background(room, index, visible, foreground, background, x, y, htiled,
// vtiled, hspeed, vspeed, alpha): applies the next time the room is entered fresh.
void F_RoomSetBackground(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = RoomArg(argc, args);
    if (!room) return;
    CRoomBackground* b = SlotArg(room->backgrounds, argc, args);
    if (!b) return;
    b->visible = Arg_Bool(argc, args, 2);
    b->foreground = Arg_Bool(argc, args, 3);
    b->index = Arg_Int(argc, args, 4);
    b->x = Arg_Float(argc, args, 5);
    b->y = Arg_Float(argc, args, 6);
    b->tileH = Arg_Bool(argc, args, 7);
    b->tileV = Arg_Bool(argc, args, 8);
    b->hspeed = Arg_Float(argc, args, 9);
    b->vspeed = Arg_Float(argc, args, 10);
    b->alpha = float(Arg_Alpha(argc, args, 11));
}

// room_set_view(room, index, visible, left, top, width, height, xport, yport, wport,
// hport, hborder, vborder, hspeed, vspeed, object).
void F_RoomSetView(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = RoomArg(argc, args);
    if (!room) return;
    CRoomView* v = SlotArg(room->views, argc, args);
    if (!v) return;
    v->visible = Arg_Bool(argc, args, 2);
    int* const fields[] = {&v->viewX, &v->viewY,   &v->viewW,   &v->viewH,  &v->portX,  &v->portY, &v->portW,
                           &v->portH, &v->hborder, &v->vborder, &v->hspeed, &v->vspeed, &v->follow};
    for (size_t k = 0; k < std::size(fields); ++k) *fields[k] = Arg_Int(argc, args, int(k) + 3);
}

}  // namespace

const FunctionImpl kTileFunctions[] = {
    {"tile_get_x", F_TileGetX},
    {"tile_get_y", F_TileGetY},
    {"tile_get_left", F_TileGetLeft},
    {"tile_get_top", F_TileGetTop},
    {"tile_get_width", F_TileGetWidth},
    {"tile_get_height", F_TileGetHeight},
    {"tile_get_depth", F_TileGetDepth},
    {"tile_get_visible", F_TileGetVisible},
    {"tile_get_xscale", F_TileGetXScale},
    {"tile_get_yscale", F_TileGetYScale},
    {"tile_get_blend", F_TileGetBlend},
    {"tile_get_alpha", F_TileGetAlpha},
    {"tile_get_background", F_TileGetBackground},
    {"tile_set_visible", F_TileSetVisible},
    {"tile_set_background", F_TileSetBackground},
    {"tile_set_region", F_TileSetRegion},
    {"tile_set_position", F_TileSetPosition},
    {"tile_set_depth", F_TileSetDepth},
    {"tile_set_scale", F_TileSetScale},
    {"tile_set_blend", F_TileSetBlend},
    {"tile_set_alpha", F_TileSetAlpha},
    {"tile_add", F_TileAdd},
    {"tile_find", F_TileFind},
    {"tile_exists", F_TileExists},
    {"tile_delete", F_TileDelete},
    {"tile_delete_at", F_TileDeleteAt},
    {"tile_layer_hide", F_TileLayerHide},
    {"tile_layer_show", F_TileLayerShow},
    {"tile_layer_delete", F_TileLayerDelete},
    {"tile_layer_shift", F_TileLayerShift},
    {"tile_layer_find", F_TileLayerFind},
    {"tile_layer_delete_at", F_TileLayerDeleteAt},
    {"tile_layer_depth", F_TileLayerDepth},
    {"room_tile_add", F_RoomTileAdd},
    {"room_tile_add_ext", F_RoomTileAddExt},
    {"room_tile_clear", F_RoomTileClear},
    {"room_set_background", F_RoomSetBackground},
    {"room_set_view", F_RoomSetView},
};
const size_t kTileFunctionCount = std::size(kTileFunctions);
