#pragma once
// Rooms: the definitions the ROOM chunk holds (or room_add makes), the running room
// made from one, and entering and leaving rooms.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "object/event.h"
#include "object/instance.h"
#include "vm/code.h"

struct CRoomBackground {
    bool visible = false;
    bool foreground = false;
    int index = -1;
    double x = 0, y = 0;
    bool tileH = true, tileV = true;
    double hspeed = 0, vspeed = 0;
    double xscale = 1, yscale = 1;
    uint32_t blend = 0xFFFFFF;
    double alpha = 1;
};

struct CRoomView {
    bool visible = false;
    int viewX = 0, viewY = 0, viewW = 640, viewH = 480;
    int portX = 0, portY = 0, portW = 640, portH = 480;
    double angle = 0;
    int hborder = 32, vborder = 32;
    int hspeed = -1, vspeed = -1;
    int follow = -1;
    int surface = -1;  // target surface, -1 the screen
};

struct CRoomInstance {
    int x = 0, y = 0;
    int objectIndex = -1;
    uint32_t id = 0;
    std::unique_ptr<CCode> creationCode;
    float xscale = 1, yscale = 1;
    uint32_t colour = 0xFFFFFFFF;  // low 24 bits the blend colour, top byte alpha
    float rotation = 0;
};

// A tile record, read in place from the block when the room is entered.
constexpr uint32_t kRoomTileRecordSize = 48;

// A tile of a running room.
struct CRoomTile {
    float x = 0, y = 0;
    int background = -1;
    int srcX = 0, srcY = 0, width = 0, height = 0;
    float depth = 0;
    int id = 0;
    float xscale = 1, yscale = 1;
    uint32_t blend = 0xFFFFFF;
    float alpha = 1;
    bool visible = true;
};

// The room's physics world belongs to the physics layer, which hands over how to free it.
class CPhysicsWorld;
struct TPhysicsWorldDelete {
    void (*destroy)(CPhysicsWorld*) = nullptr;
    void operator()(CPhysicsWorld* world) const {
        if (destroy) destroy(world);
    }
};
using TPhysicsWorldPtr = std::unique_ptr<CPhysicsWorld, TPhysicsWorldDelete>;

class CRoom : public CRoomInstances {
public:
    CRoom() = default;
    ~CRoom();
    CRoom(const CRoom&) = delete;
    CRoom& operator=(const CRoom&) = delete;

    std::string name;
    std::string caption;
    int width = 640, height = 480;
    int speed = 30;
    bool persistent = false;
    uint32_t colour = 0xC0C0C0;
    bool showColour = true;
    std::unique_ptr<CCode> creationCode;
    // Creation codes replaced while the game ran; kept, since the replaced one may be
    // the code that is running.
    std::vector<std::unique_ptr<CCode>> replacedCodes;
    bool viewsEnabled = false;
    std::array<CRoomBackground, 8> backgrounds;
    std::array<CRoomView, 8> views;
    // The record: placed instances and the offsets of the tile records.
    std::vector<CRoomInstance> instances;
    std::vector<uint32_t> tiles;
    // Once room_tile_add or room_tile_clear changed the record's tiles they live here,
    // and the offsets above are no longer read.
    bool tilesCopied = false;
    std::vector<CRoomTile> tileRecords;

    bool physicsWorld = false;
    double gravityX = 0, gravityY = 0;
    double physicsScale = 0.1;
    // Declared after the instance lists' base, so it goes before the instances do; it
    // detaches their bodies as it goes.
    TPhysicsWorldPtr physics;

    // A copy shares its source's record (placed instances, tiles, creation code): null
    // means the room is its own record.
    CRoom* record = nullptr;
    CRoom& Record() { return record ? *record : *this; }
    const CRoom& Record() const { return record ? *record : *this; }
    const CCode* CreationCode() const { return Record().creationCode.get(); }

    // The running state: the instance lists (CRoomInstances) and the tiles.
    std::vector<CRoomTile> tileArray;
};

// --- the room tables -----------------------------------------------------------------

int Room_Count();  // length of the definition table
CRoom* Room_Definition(int index);
bool Room_Exists(int index);
// The name, or "<undefined>".
const char* Room_Name(int index);
// The room order of the header.
int Room_First();
int Room_Last();
int Room_Next(int index);      // -1 when missing or the last
int Room_Previous(int index);  // -1 when missing or the first

// room_add / room_duplicate / room_assign.
int Room_Add();
int Room_Duplicate(int index);
bool Room_Assign(int index, int source);

// --- running ---------------------------------------------------------------------------

// What entering and leaving rooms asks of the layers above, installed by them at
// start-up. Unset ones do nothing.
struct CRoomHooks {
    // Particles and other effects that do not outlive a room.
    void (*clearEffects)() = nullptr;
    // The pause between the pictures of a room transition.
    void (*transitionWait)(int64_t microseconds) = nullptr;
    // Gives a room made from a record whose physics flag is set its world.
    void (*createPhysicsWorld)(CRoom& room) = nullptr;
};
CRoomHooks Room_Hooks();
void Room_SetHooks(const CRoomHooks& hooks);

// Enter a room; `gameStart` adds the Game Start events.
void Room_Start(int index, bool gameStart);
// Leave the running room; `gameEnd` adds the Game End events.
void Room_End(bool gameEnd);
// Makes destination a copy of source; `fromFile` places the record's instances and
// builds the tiles from the record, otherwise the source's own instances are copied.
void Room_Copy(CRoom& destination, CRoom& source, bool fromFile);
// The tiles of a record, in record order: read from the game data, or the copy that
// run-time changes made (room/room_tiles.cpp).
void Room_ReadTileRecords(const CRoom& record, std::vector<CRoomTile>& out);
// Frees the instances marked destroyed.
void Room_RemoveDestroyed(CRoom& room);
// The screen redraw: the instances' draw events by depth, per visible view.
void Room_Draw();

// The running room and its index (null and -1 before the first room).
CRoom* Room_Running();
int Room_CurrentIndex();
// What the outside and boundary events of a frame test against.
COtherEventAreas Room_EventAreas(const CRoom& room);

// The persistent-room table and the carried persistent instances: `StartGame` sizes and
// empties them, `GameEnd` deletes every kept room.
void Room_ResetKept(int roomCount);
void Room_DeleteKept();
int Room_CarriedCount();
// The kept room of an index (the running room is kept in its slot too), or null; the
// length of the kept table.
CRoom* Room_Kept(int index);
int Room_KeptCount();
// A loaded game takes the place of every kept room: the old rooms and their instances
// are freed without events, `rooms` becomes the kept table and `index` the running room
// (none when its slot is empty), whose instances join the object lists and the id map.
void Room_ReplaceAll(std::vector<std::unique_ptr<CRoom>> rooms, int index);

// Requests the game loop carries out at the end of the frame: a room (checked: a missing
// one is a fatal error), game end, restart.
void Game_RequestRoom(int index);
void Game_RequestEnd();
void Game_RequestRestart();
