#include "save/game_save.h"

#include <array>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "data/error.h"
#include "data/game.h"
#include "data/game_resources.h"
#include "io/stream.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/object.h"
#include "room/room.h"
#include "room/room_draw.h"
#include "room/room_tiles.h"
#include "value/random.h"
#include "variable/variable_list.h"
#include "variable/variables.h"

namespace {

// Marks the end of the globals' block and of each room record: a reader that lost its
// place stops there instead of reading on into nonsense.
constexpr int32_t kRandomBlockVersion = 1;
constexpr int32_t kRoomRecordVersion = 710;
constexpr int32_t kRoomRecordEnd = 0x4D4F4F52;  // "ROOM"

// The stream form carries no check of its own, so a flipped byte in a number would be
// read as a different number. The file ends with a CRC-32 of everything before it.
uint32_t Crc32(const uint8_t* data, int64_t size) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (int64_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t GameId() { return Game().resources->header.gameId; }

// --- instances ------------------------------------------------------------------------

bool WriteInstance(CStream& s, CInstance& i) {
    Instance_UpdateBox(i);
    bool ok = s.WriteInt(i.id) && s.WriteInt(i.spriteIndex);
    for (double v : {i.imageIndex, i.imageSpeed, i.imageXScale, i.imageYScale, i.imageAngle, i.imageAlpha})
        ok = ok && s.WriteReal(v);
    ok = ok && s.WriteInt(int32_t(i.imageBlend)) && s.WriteInt(i.maskIndex) && s.WriteReal(i.depth) &&
         s.WriteBool(i.precise);
    for (double v : {i.x, i.y, i.xprevious, i.yprevious, i.xstart, i.ystart, i.direction, i.speed, i.friction,
                     i.gravityDirection, i.gravity, i.hspeed, i.vspeed})
        ok = ok && s.WriteReal(v);
    for (int v : {i.bboxLeft, i.bboxRight, i.bboxTop, i.bboxBottom}) ok = ok && s.WriteInt(v);
    ok = ok && s.WriteBool(i.visible) && s.WriteBool(i.solid) && s.WriteBool(i.persistent) && s.WriteInt(i.objectIndex);
    for (int a : i.alarm) ok = ok && s.WriteInt(a);
    ok = ok && s.WriteBool(i.marked) && s.WriteBool(i.deactivated) && s.WriteInt(i.pathIndex);
    for (double v : {i.pathPosition, i.pathPositionPrevious, i.pathSpeed, i.pathScale, i.pathOrientation})
        ok = ok && s.WriteReal(v);
    ok = ok && s.WriteInt(i.pathEndAction) && s.WriteReal(i.pathXStart) && s.WriteReal(i.pathYStart) &&
         s.WriteInt(i.timelineIndex) && s.WriteReal(i.timelinePosition) && s.WriteReal(i.timelineSpeed) &&
         s.WriteBool(i.timelineRunning) && s.WriteBool(i.timelineLoop) && s.WriteString("");
    if (!ok) return false;
    if (i.variables) return i.variables->WriteToStream(s);
    return CVariableList().WriteToStream(s);
}

float F(CStream& s) { return float(s.ReadReal()); }

std::unique_ptr<CInstance> ReadInstance(CStream& s, std::string& error) {
    struct {
        int id, sprite;
        float image[6];
        uint32_t blend;
        int mask;
        float depth;
        bool precise;
        float motion[13];
        int bbox[4];
        bool visible, solid, persistent;
        int object;
    } f{};
    f.id = s.ReadInt();
    f.sprite = s.ReadInt();
    for (float& v : f.image) v = F(s);
    f.blend = uint32_t(s.ReadInt());
    f.mask = s.ReadInt();
    f.depth = F(s);
    f.precise = s.ReadBool();
    for (float& v : f.motion) v = F(s);
    for (int& v : f.bbox) v = s.ReadInt();
    f.visible = s.ReadBool();
    f.solid = s.ReadBool();
    f.persistent = s.ReadBool();
    f.object = s.ReadInt();
    if (s.Overrun()) return nullptr;
    if (f.id < kFirstInstanceId || !Object_Exists(f.object)) {
        error = "an instance record names instance " + std::to_string(f.id) + " of object " + std::to_string(f.object) +
                ", which this game cannot have";
        return nullptr;
    }
    auto i = std::make_unique<CInstance>(f.motion[0], f.motion[1], f.id, f.object, false);
    i->spriteIndex = f.sprite;
    i->imageIndex = f.image[0];
    i->imageSpeed = f.image[1];
    i->imageXScale = f.image[2];
    i->imageYScale = f.image[3];
    i->imageAngle = f.image[4];
    i->imageAlpha = f.image[5];
    i->imageBlend = f.blend;
    i->maskIndex = f.mask;
    i->depth = f.depth;
    i->precise = f.precise;
    float* motion[] = {&i->x,       &i->y,         &i->xprevious, &i->yprevious, &i->xstart,
                       &i->ystart,  &i->direction, &i->speed,     &i->friction,  &i->gravityDirection,
                       &i->gravity, &i->hspeed,    &i->vspeed};
    for (size_t k = 0; k < std::size(motion); ++k) *motion[k] = f.motion[k];
    i->bboxLeft = f.bbox[0];
    i->bboxRight = f.bbox[1];
    i->bboxTop = f.bbox[2];
    i->bboxBottom = f.bbox[3];
    i->visible = f.visible;
    i->solid = f.solid;
    i->persistent = f.persistent;
    for (int& a : i->alarm) a = s.ReadInt();
    i->marked = s.ReadBool();
    i->deactivated = s.ReadBool();
    i->pathIndex = s.ReadInt();
    i->pathPosition = F(s);
    i->pathPositionPrevious = F(s);
    i->pathSpeed = F(s);
    i->pathScale = F(s);
    i->pathOrientation = F(s);
    i->pathEndAction = s.ReadInt();
    i->pathXStart = F(s);
    i->pathYStart = F(s);
    i->timelineIndex = s.ReadInt();
    i->timelinePosition = F(s);
    i->timelineSpeed = F(s);
    i->timelineRunning = s.ReadBool();
    i->timelineLoop = s.ReadBool();
    s.ReadString();
    if (s.Overrun()) return nullptr;
    auto variables = std::make_unique<CVariableList>();
    if (!variables->ReadFromStream(s)) {
        error = "the variables of instance " + std::to_string(f.id) + " do not read";
        return nullptr;
    }
    i->variables = std::move(variables);
    // Already in the room: no create event is due, and the box follows the fields read.
    i->created = true;
    i->bboxDirty = true;
    return i;
}

// --- rooms ----------------------------------------------------------------------------

bool WriteRoom(CStream& s, CRoom& r) {
    bool ok = s.WriteInt(kRoomRecordVersion) && s.WriteString(r.caption) && s.WriteInt(r.width) &&
              s.WriteInt(r.height) && s.WriteInt(r.speed) && s.WriteBool(r.persistent) &&
              s.WriteInt(int32_t(r.colour)) && s.WriteBool(r.showColour) && s.WriteBool(r.viewsEnabled);
    for (const CRoomBackground& b : r.backgrounds) {
        ok = ok && s.WriteBool(b.visible) && s.WriteBool(b.foreground) && s.WriteInt(b.index) && s.WriteReal(b.x) &&
             s.WriteReal(b.y) && s.WriteBool(b.tileH) && s.WriteBool(b.tileV) && s.WriteReal(b.hspeed) &&
             s.WriteReal(b.vspeed) && s.WriteReal(b.xscale) && s.WriteReal(b.yscale) && s.WriteInt(int32_t(b.blend)) &&
             s.WriteReal(b.alpha);
    }
    for (const CRoomView& v : r.views) {
        ok = ok && s.WriteBool(v.visible);
        for (int n : {v.viewX, v.viewY, v.viewW, v.viewH, v.portX, v.portY, v.portW, v.portH}) ok = ok && s.WriteInt(n);
        ok = ok && s.WriteReal(v.angle);
        for (int n : {v.hborder, v.vborder, v.hspeed, v.vspeed, v.follow, v.surface}) ok = ok && s.WriteInt(n);
    }
    ok = ok && s.WriteInt(int32_t(r.tileArray.size()));
    for (const CRoomTile& t : r.tileArray) {
        ok = ok && s.WriteReal(t.x) && s.WriteReal(t.y) && s.WriteInt(t.background) && s.WriteInt(t.srcX) &&
             s.WriteInt(t.srcY) && s.WriteInt(t.width) && s.WriteInt(t.height) && s.WriteReal(t.depth) &&
             s.WriteInt(t.id) && s.WriteReal(t.xscale) && s.WriteReal(t.yscale) && s.WriteInt(int32_t(t.blend)) &&
             s.WriteReal(t.alpha) && s.WriteBool(t.visible);
    }
    for (CInstanceChain* chain : {&r.active, &r.deactivated}) {
        ok = ok && s.WriteInt(chain->count);
        for (CInstance* i = chain->head; ok && i; i = i->next) ok = WriteInstance(s, *i);
    }
    return ok && s.WriteInt(kRoomRecordEnd);
}

// A count read from the stream, refused when the rest of the stream could not hold
// that many records of at least `minBytes` each.
bool ReadCount(CStream& s, int64_t minBytes, int32_t& count) {
    count = s.ReadInt();
    return !s.Overrun() && count >= 0 && int64_t(count) * minBytes <= s.Remaining();
}

std::unique_ptr<CRoom> ReadRoom(CStream& s, int index, std::string& error) {
    const std::string where = "room " + std::to_string(index);
    if (s.ReadInt() != kRoomRecordVersion || s.Overrun()) {
        error = "the record of " + where + " does not start where it should";
        return nullptr;
    }
    CRoom* definition = Room_Definition(index);
    if (!definition) {
        error = "the file keeps " + where + ", which this game does not have";
        return nullptr;
    }
    auto r = std::make_unique<CRoom>();
    r->name = definition->name;
    r->record = &definition->Record();
    r->physicsWorld = definition->physicsWorld;
    r->gravityX = definition->gravityX;
    r->gravityY = definition->gravityY;
    r->physicsScale = definition->physicsScale;
    r->caption = s.ReadString();
    r->width = s.ReadInt();
    r->height = s.ReadInt();
    r->speed = s.ReadInt();
    r->persistent = s.ReadBool();
    r->colour = uint32_t(s.ReadInt());
    r->showColour = s.ReadBool();
    r->viewsEnabled = s.ReadBool();
    for (CRoomBackground& b : r->backgrounds) {
        b.visible = s.ReadBool();
        b.foreground = s.ReadBool();
        b.index = s.ReadInt();
        b.x = s.ReadReal();
        b.y = s.ReadReal();
        b.tileH = s.ReadBool();
        b.tileV = s.ReadBool();
        b.hspeed = s.ReadReal();
        b.vspeed = s.ReadReal();
        b.xscale = s.ReadReal();
        b.yscale = s.ReadReal();
        b.blend = uint32_t(s.ReadInt());
        b.alpha = s.ReadReal();
    }
    for (CRoomView& v : r->views) {
        v.visible = s.ReadBool();
        for (int* n : {&v.viewX, &v.viewY, &v.viewW, &v.viewH, &v.portX, &v.portY, &v.portW, &v.portH})
            *n = s.ReadInt();
        v.angle = s.ReadReal();
        for (int* n : {&v.hborder, &v.vborder, &v.hspeed, &v.vspeed, &v.follow, &v.surface}) *n = s.ReadInt();
    }
    int32_t tiles = 0;
    if (!ReadCount(s, 4, tiles)) {
        error = "the tiles of " + where + " do not read";
        return nullptr;
    }
    r->tileArray.resize(size_t(tiles));
    for (CRoomTile& t : r->tileArray) {
        t.x = F(s);
        t.y = F(s);
        t.background = s.ReadInt();
        t.srcX = s.ReadInt();
        t.srcY = s.ReadInt();
        t.width = s.ReadInt();
        t.height = s.ReadInt();
        t.depth = F(s);
        t.id = s.ReadInt();
        t.xscale = F(s);
        t.yscale = F(s);
        t.blend = uint32_t(s.ReadInt());
        t.alpha = F(s);
        t.visible = s.ReadBool();
    }
    for (CInstanceChain* chain : {&r->active, &r->deactivated}) {
        int32_t count = 0;
        if (!ReadCount(s, 4, count)) {
            error = "the instance count of " + where + " does not read";
            return nullptr;
        }
        for (int32_t k = 0; k < count; ++k) {
            std::unique_ptr<CInstance> i = ReadInstance(s, error);
            if (!i) {
                if (error.empty()) error = "an instance of " + where + " is cut short";
                return nullptr;
            }
            chain->Append(std::move(i));
        }
    }
    if (s.ReadInt() != kRoomRecordEnd || s.Overrun()) {
        error = "the record of " + where + " does not end where it should";
        return nullptr;
    }
    return r;
}

// Everything a saved game holds, read before any of it is used.
struct TLoadedGame {
    int room = -1;
    int score = 0, lives = 0;
    double health = 0;
    int cursorSprite = -1;
    int transitionSteps = 0;
    bool autoDraw = true;
    CGlobalScope globals;
    uint32_t randomState = 0, randomSeed = 0;
    std::vector<std::unique_ptr<CRoom>> rooms;
    int lastInstanceId = kFirstInstanceId, lastTileId = 0;
};

std::string g_pending;

}  // namespace

bool GameSave_Write(CStream& out) {
    out.Reset();
    const CRunState& run = Game().run;
    bool ok = out.WriteInt(kSaveVersion) && out.WriteInt(int32_t(GameId())) && out.WriteInt(Room_CurrentIndex()) &&
              out.WriteInt(run.transitionKind) && out.WriteInt(run.score) && out.WriteInt(run.lives) &&
              out.WriteReal(run.health) && out.WriteInt(run.cursorSprite) && out.WriteInt(run.transitionSteps) &&
              out.WriteBool(run.autoDraw);
    // The global block: the global scope, then the random generator, so a loaded game
    // draws the numbers the saved one would have drawn.
    ok = ok && Variable_WriteGlobals(out) && out.WriteInt(kRandomBlockVersion) &&
         out.WriteInt(int32_t(Random_GetState())) && out.WriteInt(int32_t(Random_GetSeed()));
    const int count = Room_Count();
    ok = ok && out.WriteInt(count);
    for (int n = 0; ok && n < count; ++n) {
        CRoom* room = Room_Kept(n);
        ok = out.WriteBool(room != nullptr) && (!room || WriteRoom(out, *room));
    }
    ok = ok && out.WriteInt(Game().world->lastId) && out.WriteInt(Tile_LastId());
    return ok && out.WriteInt(int32_t(Crc32(out.Data(), out.Size())));
}

bool GameSave_Read(CStream& in, std::string& error) {
    in.Seek(0);
    in.ClearOverrun();
    if (in.ReadInt() != kSaveVersion || in.Overrun()) {
        error = "Cannot load game saved with other version.";
        return false;
    }
    if (uint32_t(in.ReadInt()) != GameId() || in.Overrun()) {
        error = "This is a save file for a different game!";
        return false;
    }
    const auto damaged = [&](const std::string& what) {
        error = "The saved game is damaged: " + what + ".";
        return false;
    };
    if (in.Size() < 12) return damaged("it is cut short");
    const uint32_t stored = uint32_t(in.Data()[in.Size() - 4]) | uint32_t(in.Data()[in.Size() - 3]) << 8 |
                            uint32_t(in.Data()[in.Size() - 2]) << 16 | uint32_t(in.Data()[in.Size() - 1]) << 24;
    if (stored != Crc32(in.Data(), in.Size() - 4)) return damaged("its check sum does not match its contents");
    // The records end where the check sum starts.
    CStream s = CStream::Borrow(in, 0, in.Size() - 4);
    s.Seek(in.Position());

    TLoadedGame g;
    g.room = s.ReadInt();
    s.ReadInt();  // the transition kind: a loaded game starts without one
    g.score = s.ReadInt();
    g.lives = s.ReadInt();
    g.health = s.ReadReal();
    g.cursorSprite = s.ReadInt();
    g.transitionSteps = s.ReadInt();
    g.autoDraw = s.ReadBool();
    if (s.Overrun()) return damaged("the run state is cut short");
    if (!Variable_ReadGlobalsInto(s, g.globals)) return damaged("the global variables do not read");
    if (s.ReadInt() != kRandomBlockVersion || s.Overrun()) return damaged("the random generator state does not read");
    g.randomState = uint32_t(s.ReadInt());
    g.randomSeed = uint32_t(s.ReadInt());
    int32_t count = 0;
    if (!ReadCount(s, 4, count)) return damaged("the room count does not read");
    if (count > Room_Count())
        return damaged("it keeps " + std::to_string(count) + " rooms, the game has " + std::to_string(Room_Count()));
    g.rooms.resize(size_t(count));
    for (int32_t n = 0; n < count; ++n) {
        const bool present = s.ReadBool();
        if (s.Overrun()) return damaged("the room table is cut short");
        if (!present) continue;
        std::string what;
        g.rooms[size_t(n)] = ReadRoom(s, n, what);
        if (!g.rooms[size_t(n)]) return damaged(what.empty() ? "room " + std::to_string(n) + " is cut short" : what);
    }
    g.lastInstanceId = s.ReadInt();
    g.lastTileId = s.ReadInt();
    if (s.Overrun()) return damaged("the id counters are cut short");
    if (s.Remaining() != 0) return damaged("there are bytes after its end");
    if (g.room < 0 || g.room >= count || !g.rooms[size_t(g.room)])
        return damaged("the running room " + std::to_string(g.room) + " is not in it");

    // Everything read: the loaded game takes over.
    CRunState& run = Game().run;
    run.transitionKind = 0;
    run.score = g.score;
    run.lives = g.lives;
    run.health = g.health;
    run.cursorSprite = g.cursorSprite;
    run.transitionSteps = g.transitionSteps;
    run.autoDraw = g.autoDraw;
    run.captionDirty = true;
    Variable_SwapGlobals(g.globals);
    Random_SetState(g.randomState);
    Random_RememberSeed(g.randomSeed);
    Room_ReplaceAll(std::move(g.rooms), g.room);
    Game().world->lastId = g.lastInstanceId;
    Tile_ResetIds(uint32_t(std::max(g.lastTileId, 0)));
    if (const CRoom* room = Room_Running()) Room_ApplyDisplaySize(*room);
    return true;
}

bool GameSave_ReplaceFile(const std::string& path, const void* bytes, int64_t size, std::string& error) {
    const std::string temporary = path + ".part";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
        error = "cannot create " + temporary;
        return false;
    }
    bool ok = size == 0 || std::fwrite(bytes, 1, size_t(size), f) == size_t(size);
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::remove(temporary.c_str());
        error = "cannot write " + temporary;
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        error = "cannot replace " + path;
        return false;
    }
    return true;
}

bool GameSave_WriteFile(const std::string& path, std::string& error) {
    CStream stream;
    if (!GameSave_Write(stream)) {
        error = "the game state does not fit in one stream";
        return false;
    }
    return GameSave_ReplaceFile(path, stream.Data(), stream.Size(), error);
}

bool GameSave_ReadFile(const std::string& path, std::string& error) {
    CStream stream;
    if (!stream.LoadFile(path)) {
        error = "The saved game cannot be read.";
        return false;
    }
    return GameSave_Read(stream, error);
}

void GameSave_SetPending(const std::string& path) { g_pending = path; }

void GameSave_LoadPending() {
    const std::string path = std::exchange(g_pending, std::string());
    if (path.empty()) return;
    std::string error;
    if (!GameSave_ReadFile(path, error)) Code_ShowError(error + "\nFile: " + path, false);
}
