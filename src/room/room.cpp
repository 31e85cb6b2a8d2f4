#include "room/room.h"

#include <cmath>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "platform/window.h"
#include "room/room_draw.h"
#include "variable/variable_list.h"
#include "vm/machine.h"

CRoom::~CRoom() = default;

namespace {

CRoomHooks g_hooks;

struct TRoomState {
    // Kept rooms, by room index; the running room lives in its slot too.
    std::vector<std::unique_ptr<CRoom>> kept;
    int current = -1;
    // Persistent instances on their way from the room being left to the next one.
    std::vector<std::unique_ptr<CInstance>> carried;
    // Definitions replaced by room_assign: running rooms may still share their record.
    std::vector<std::unique_ptr<CRoom>> replaced;
};

TRoomState& State() {
    static TRoomState state;
    return state;
}

ResourceTable<CRoom>* Rooms() {
    CGameResources* res = &*Game().resources;
    return res ? &res->rooms : nullptr;
}

const std::vector<int>& Order() {
    static const std::vector<int> none;
    const CGameResources* res = &*Game().resources;
    return res ? res->header.roomOrder : none;
}

void NameNewRoom(CRoom& room, int index) {
    char name[128];
    std::snprintf(name, sizeof name, "__newroom%d", index);
    room.name = name;
}

void CopySettings(CRoom& d, CRoom& s) {
    d.name = s.name;
    d.caption = s.caption;
    d.width = s.width;
    d.height = s.height;
    d.speed = s.speed;
    d.persistent = s.persistent;
    d.colour = s.colour;
    d.showColour = s.showColour;
    d.physicsWorld = s.physicsWorld;
    d.gravityX = s.gravityX;
    d.gravityY = s.gravityY;
    d.physicsScale = s.physicsScale;
    d.backgrounds = s.backgrounds;
    d.viewsEnabled = s.viewsEnabled;
    d.views = s.views;
    d.record = &s.Record();
}

// Tiles of the record, read where they lie in the game data (or its run-time copy).
void BuildTiles(CRoom& room, const CRoom& record) { Room_ReadTileRecords(record, room.tileArray); }

void RunCreationCode(CInstance* inst) {
    if (!inst->creationCode) return;
    Event_NameContext(Object_Name(inst->objectIndex), "Instance Creation Code");
    Code_Execute(inst, inst, inst->creationCode, nullptr);
}

// Brings the carried persistent instances into the running room.
void BringCarried(CRoom& room) {
    CInstanceWorld& world = *Game().world;
    for (auto& carried : State().carried) {
        if (!carried) continue;
        CInstance* same = world.Find(carried->id);
        if (same) {
            const float depth = same->depth;
            Instance_Copy(*same, *carried, true);
            if (same->depth != depth && !same->deactivated) room.active.InsertByDepth(room.active.Take(same));
            same->placed = true;
            continue;
        }
        // A new instance would take the next id and then give it up for the carried one's.
        ++world.lastId;
        CInstance* inst = room.active.InsertByDepth(std::move(carried));
        inst->creationStamp = Event_StampCounter();
        Instance_JoinObjectLists(inst);
        world.ids[inst->id] = inst;
        inst->placed = true;
    }
    State().carried.clear();
}

}  // namespace

// --- the tables -------------------------------------------------------------------------

int Room_Count() {
    ResourceTable<CRoom>* rooms = Rooms();
    return rooms ? int(rooms->size()) : 0;
}

CRoom* Room_Definition(int index) {
    ResourceTable<CRoom>* rooms = Rooms();
    if (!rooms || index < 0 || size_t(index) >= rooms->size()) return nullptr;
    return (*rooms)[size_t(index)].get();
}

bool Room_Exists(int index) { return Room_Definition(index) != nullptr; }

const char* Room_Name(int index) {
    const CRoom* room = Room_Definition(index);
    return room ? room->name.c_str() : "<undefined>";
}

int Room_First() { return Order().empty() ? -1 : Order().front(); }
int Room_Last() { return Order().empty() ? -1 : Order().back(); }

int Room_Next(int index) {
    const std::vector<int>& order = Order();
    if (!Room_Exists(index)) return -1;
    for (int p = int(order.size()) - 2; p >= 0; --p)
        if (order[size_t(p)] == index) return order[size_t(p) + 1];
    return -1;
}

int Room_Previous(int index) {
    const std::vector<int>& order = Order();
    if (!Room_Exists(index)) return -1;
    for (size_t p = 1; p < order.size(); ++p)
        if (order[p] == index) return order[p - 1];
    return -1;
}

int Room_Add() {
    ResourceTable<CRoom>* rooms = Rooms();
    if (!rooms) return -1;
    const int index = int(rooms->size());
    auto room = std::make_unique<CRoom>();
    NameNewRoom(*room, index);
    rooms->push_back(std::move(room));
    return index;
}

int Room_Duplicate(int index) {
    ResourceTable<CRoom>* rooms = Rooms();
    CRoom* source = Room_Definition(index);
    if (!source) return -1;
    const int fresh = int(rooms->size());
    auto room = std::make_unique<CRoom>();
    Room_Copy(*room, *source, false);
    NameNewRoom(*room, fresh);
    rooms->push_back(std::move(room));
    return fresh;
}

bool Room_Assign(int index, int source) {
    CRoom* target = Room_Definition(index);
    CRoom* from = Room_Definition(source);
    if (!target || !from) return false;
    // A definition holds no live instances, so the copy shares the source's record: the
    // placed instances come to life when the room is entered.
    auto room = std::make_unique<CRoom>();
    Room_Copy(*room, *from, false);
    room->name = target->name;
    auto& slot = (*Rooms())[size_t(index)];
    State().replaced.push_back(std::move(slot));
    slot = std::move(room);
    return true;
}

// --- copying and removing -----------------------------------------------------------------

void Room_Copy(CRoom& d, CRoom& s, bool fromFile) {
    d.active.Clear();
    d.deactivated.Clear();
    CopySettings(d, s);
    d.physics.reset();
    if (d.physicsWorld && g_hooks.createPhysicsWorld) g_hooks.createPhysicsWorld(d);
    const CRoom& record = s.Record();
    if (fromFile) {
        for (const CRoomInstance& r : record.instances) {
            CInstance* inst = Instance_Place(d, float(r.x), float(r.y), r.objectIndex, int(r.id));
            inst->creationCode = r.creationCode.get();
            inst->imageXScale = r.xscale;
            inst->imageYScale = r.yscale;
            inst->imageBlend = r.colour & 0xFFFFFF;
            inst->imageAlpha = float(r.colour >> 24) / 255.0f;
            inst->imageAngle = r.rotation;
            Instance_AttachPhysics(d, inst);
        }
        BuildTiles(d, record);
        return;
    }
    d.tileArray = s.tileArray;
    for (const CInstance* i = s.active.head; i; i = i->next) {
        auto copy = std::make_unique<CInstance>(i->id, i->objectIndex);
        Instance_Copy(*copy, *i, false);
        d.active.InsertByDepth(std::move(copy));
    }
    for (const CInstance* i = s.deactivated.head; i; i = i->next) {
        auto copy = std::make_unique<CInstance>(i->id, i->objectIndex);
        Instance_Copy(*copy, *i, false);
        d.deactivated.Append(std::move(copy));
    }
}

void Room_RemoveDestroyed(CRoom& room) {
    CInstanceWorld& world = *Game().world;
    world.removalPending = false;
    for (CInstance* i = room.active.head; i;) {
        CInstance* next = i->next;
        if (i->marked) {
            const auto it = world.ids.find(i->id);
            if (it != world.ids.end() && it->second == i) world.ids.erase(it);
            room.active.Take(i).reset();
        }
        i = next;
    }
}

// --- entering and leaving -------------------------------------------------------------------

CRoomHooks Room_Hooks() { return g_hooks; }
void Room_SetHooks(const CRoomHooks& hooks) { g_hooks = hooks; }

// The world's room is always a CRoom: only Room_Start and Room_End set it.
CRoom* Room_Running() { return static_cast<CRoom*>(Game().world->room); }
COtherEventAreas Room_EventAreas(const CRoom& room) {
    COtherEventAreas areas;
    areas.width = room.width;
    areas.height = room.height;
    areas.viewsEnabled = room.viewsEnabled;
    for (size_t v = 0; v < areas.views.size(); ++v) {
        const CRoomView& view = room.views[v];
        areas.views[v] = {view.visible, double(view.viewX), double(view.viewY), double(view.viewX + view.viewW),
                          double(view.viewY + view.viewH)};
    }
    return areas;
}

int Room_CurrentIndex() { return State().current; }

void Room_ResetKept(int roomCount) {
    TRoomState& s = State();
    Game().world->Reset();
    s.kept.clear();
    s.kept.resize(size_t(std::max(roomCount, 0)));
    s.carried.clear();
    s.current = -1;
}

void Room_DeleteKept() {
    Game().world->Reset();
    State().kept.clear();
}

int Room_CarriedCount() { return int(State().carried.size()); }

CRoom* Room_Kept(int index) {
    const TRoomState& s = State();
    return index >= 0 && size_t(index) < s.kept.size() ? s.kept[size_t(index)].get() : nullptr;
}

int Room_KeptCount() { return int(State().kept.size()); }

void Room_ReplaceAll(std::vector<std::unique_ptr<CRoom>> rooms, int index) {
    TRoomState& s = State();
    CInstanceWorld& world = *Game().world;
    world.Reset();
    s.carried.clear();
    s.kept = std::move(rooms);
    s.current = -1;
    CRoom* room = Room_Kept(index);
    if (!room) return;
    s.current = index;
    world.room = room;
    for (CInstance* i = room->active.head; i; i = i->next) {
        Instance_JoinObjectLists(i);
        world.ids[i->id] = i;
    }
    for (CInstance* i = room->deactivated.head; i; i = i->next) world.ids[i->id] = i;
    world.removalPending = true;
}

void Room_Start(int index, bool gameStart) {
    TRoomState& s = State();
    CRunState& run = Game().run;
    CInstanceWorld& world = *Game().world;
    run.newRoom = kRequestNone;
    run.captionDirty = true;
    Event_ClearInput();
    if (g_hooks.clearEffects) g_hooks.clearEffects();

    if (index < 0) return;
    // Requests are checked when made; a room order naming a missing room is a broken file.
    if (!Room_Exists(index)) {
        Code_ShowError("Unexisting room number: " + std::to_string(index), true);
        run.newRoom = kRequestFatal;
        return;
    }
    if (s.kept.size() <= size_t(index)) s.kept.resize(size_t(index) + 1);
    s.current = index;
    world.ids.clear();
    CRoom* room = s.kept[size_t(index)].get();
    const bool fresh = room == nullptr;
    if (room) {
        world.room = room;
        world.removalPending = true;  // it may have kept instances destroyed at its end
        for (CInstance* i = room->active.head; i; i = i->next) {
            Instance_JoinObjectLists(i);
            world.ids[i->id] = i;
        }
        for (CInstance* i = room->deactivated.head; i; i = i->next) world.ids[i->id] = i;
    } else {
        s.kept[size_t(index)] = std::make_unique<CRoom>();
        room = s.kept[size_t(index)].get();
        world.room = room;
        if (CRoom* definition = Room_Definition(index)) Room_Copy(*room, *definition, true);
    }
    Room_ApplyDisplaySize(*room);
    BringCarried(*room);

    if (fresh) {
        std::vector<CInstance*> order;
        for (CInstance* i = room->active.tail; i; i = i->prev) {
            i->created = false;
            order.push_back(i);
        }
        const CGameResources* res = &*Game().resources;
        const bool createFirst = res && res->options.CreateEventFirst();
        for (CInstance* i : order) {
            if (i->placed) {
                i->placed = false;
                continue;
            }
            if (i->marked) continue;
            if (createFirst) {
                Event_Perform(i, i, kEventCreate, 0);
                RunCreationCode(i);
            } else {
                RunCreationCode(i);
                Event_Perform(i, i, kEventCreate, 0);
            }
            i->created = true;
        }
    }
    if (gameStart) Event_PerformForAll(kEventOther, kOtherGameStart);
    if (fresh) {
        if (const CCode* code = room->CreationCode()) {
            CInstance temp(0, 0);
            Event_NameContext(room->name, "Room Creation Code");
            Code_Execute(&temp, &temp, code, nullptr);
        }
    }
    Event_PerformForAll(kEventOther, kOtherRoomStart);
    if (run.newRoom == kRequestNone && run.autoDraw) Room_Draw();
}

void Room_End(bool gameEnd) {
    TRoomState& s = State();
    CInstanceWorld& world = *Game().world;
    CRoom* room = Room_Running();
    if (!room) return;
    Room_RemoveDestroyed(*room);

    CRunState& run = Game().run;
    const int request = run.newRoom;
    run.newRoom = kRequestNone;
    Event_PerformForAll(kEventOther, kOtherRoomEnd);
    if (gameEnd) Event_PerformForAll(kEventOther, kOtherGameEnd);
    run.newRoom = request;

    s.carried.clear();
    s.carried.reserve(10);
    for (CInstance* i = room->active.head; i;) {
        CInstance* next = i->next;
        if (!i->marked && i->persistent) {
            Instance_LeaveObjectLists(i);
            world.ids.erase(i->id);
            s.carried.push_back(room->active.Take(i));
        }
        i = next;
    }
    if (room->persistent) {
        // Kept as it is; its instances leave the object lists until it runs again.
        for (CInstance* i = room->active.head; i; i = i->next) Instance_LeaveObjectLists(i);
        world.Reset();
        return;
    }
    world.Reset();
    if (s.current >= 0 && size_t(s.current) < s.kept.size() && s.kept[size_t(s.current)].get() == room)
        s.kept[size_t(s.current)].reset();
}

void Game_RequestRoom(int index) {
    // The transition kind stays: it is set before the change is asked for, and the
    // change itself puts it back to 0.
    Game().run.newRoom = index;
    if (!Room_Exists(index)) {
        Code_ShowError("Unexisting room number: " + std::to_string(index), true);
        Game().run.newRoom = kRequestFatal;
    }
}

void Game_RequestEnd() { Game().run.newRoom = kRequestGameEnd; }
void Game_RequestRestart() { Game().run.newRoom = kRequestRestart; }
