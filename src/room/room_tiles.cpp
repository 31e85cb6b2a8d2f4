#include "room/room_tiles.h"

#include <algorithm>

#include "data/game.h"
#include "room/room_draw.h"
#include "vm/machine.h"

namespace {

// A damaged header must not leave the counter next to overflowing.
constexpr uint32_t kTileIdLimit = 0x7FF00000u;
int g_lastTileId = 0;

// The top-most tile (the last drawn: the array sorted, the last match) that passes.
template <typename Pass>
int TopMost(CRoom& room, Pass pass) {
    Room_SortTiles(room);
    for (size_t k = room.tileArray.size(); k-- > 0;)
        if (pass(room.tileArray[k])) return room.tileArray[k].id;
    return -1;
}

}  // namespace

void Tile_ResetIds(uint32_t highestTileId) { g_lastTileId = int(std::min(highestTileId, kTileIdLimit)); }

int Tile_LastId() { return g_lastTileId; }

int Tile_NextId() {
    if (g_lastTileId < int(kTileIdLimit)) ++g_lastTileId;
    return g_lastTileId;
}

int Tile_IndexOf(const CRoom& room, int id) {
    for (size_t k = 0; k < room.tileArray.size(); ++k)
        if (room.tileArray[k].id == id) return int(k);
    return -1;
}

CRoomTile* Tile_Get(CRoom& room, int id) {
    const int k = Tile_IndexOf(room, id);
    return k < 0 ? nullptr : &room.tileArray[size_t(k)];
}

int Tile_Add(CRoom& room, CRoomTile tile) {
    tile.id = Tile_NextId();
    std::vector<CRoomTile>& tiles = room.tileArray;
    const auto at = std::find_if(tiles.begin(), tiles.end(), [&](const CRoomTile& t) { return t.depth < tile.depth; });
    tiles.insert(at, tile);
    return tile.id;
}

bool Tile_Delete(CRoom& room, int id) {
    const int k = Tile_IndexOf(room, id);
    if (k < 0) return false;
    room.tileArray.erase(room.tileArray.begin() + k);
    return true;
}

bool Tile_Contains(const CRoomTile& t, double x, double y) {
    const double w = double(t.width) * t.xscale, h = double(t.height) * t.yscale;
    const double left = std::min<double>(t.x, t.x + w), right = std::max<double>(t.x, t.x + w);
    const double top = std::min<double>(t.y, t.y + h), bottom = std::max<double>(t.y, t.y + h);
    return x >= left && x < right && y >= top && y < bottom;
}

int Tile_FindAt(CRoom& room, double x, double y, bool foreground) {
    return TopMost(room, [&](const CRoomTile& t) { return (t.depth < 0) == foreground && Tile_Contains(t, x, y); });
}

int Tile_FindInLayer(CRoom& room, double depth, double x, double y) {
    const float layer = float(depth);
    return TopMost(room, [&](const CRoomTile& t) { return t.depth == layer && Tile_Contains(t, x, y); });
}

std::vector<CRoomTile>& Tile_RecordsForChange(CRoom& definition) {
    CRoom& record = definition.Record();
    if (!record.tilesCopied) {
        Room_ReadTileRecords(record, record.tileRecords);
        record.tilesCopied = true;
    }
    return record.tileRecords;
}

void Room_ReadTileRecords(const CRoom& record, std::vector<CRoomTile>& out) {
    if (record.tilesCopied) {
        out = record.tileRecords;
        return;
    }
    out.clear();
    const CGameData* data = &Game().data;
    if (!data) return;
    for (uint32_t at : record.tiles) {
        if (at == 0 || uint64_t(at) + kRoomTileRecordSize > data->Size()) continue;
        CRoomTile t;
        t.x = float(data->I32(at));
        t.y = float(data->I32(at + 4));
        t.background = data->I32(at + 8);
        t.srcX = data->I32(at + 12);
        t.srcY = data->I32(at + 16);
        t.width = data->I32(at + 20);
        t.height = data->I32(at + 24);
        t.depth = float(data->I32(at + 28));
        t.id = int(data->U32(at + 32));
        t.xscale = data->F32(at + 36);
        t.yscale = data->F32(at + 40);
        const uint32_t colour = data->U32(at + 44);
        t.blend = colour & 0xFFFFFF;
        t.alpha = float(colour >> 24) / 255.0f;
        out.push_back(t);
    }
}
