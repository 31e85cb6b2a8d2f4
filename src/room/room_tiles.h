#pragma once
// The tiles of a running room by id, and the tile records of room definitions as the
// run-time functions change them.
#include <cstdint>
#include <vector>

#include "room/room.h"

// Tiles made at run time take the next id above the highest one so far, which starts
// at the general header's highest tile id.
void Tile_ResetIds(uint32_t highestTileId);
int Tile_NextId();
// The highest id handed out so far (what a saved game keeps).
int Tile_LastId();

// The array index of the tile with that id, or -1.
int Tile_IndexOf(const CRoom& room, int id);
CRoomTile* Tile_Get(CRoom& room, int id);
// Inserts the tile behind the tiles of greater or equal depth (the array stays sorted
// when it was) with the next id; gives the id.
int Tile_Add(CRoom& room, CRoomTile tile);
bool Tile_Delete(CRoom& room, int id);
// Whether the tile's rectangle (its size times its scale) holds the point.
bool Tile_Contains(const CRoomTile& tile, double x, double y);
// The id of the tile drawn on top at a point among the foreground tiles (depth below 0)
// or the others; -1 when there is none.
int Tile_FindAt(CRoom& room, double x, double y, bool foreground);
// The same within the layer of one depth.
int Tile_FindInLayer(CRoom& room, double depth, double x, double y);

// A definition's tile records, copied out of the game data the first time they change.
std::vector<CRoomTile>& Tile_RecordsForChange(CRoom& definition);
