// Logic resource chunks: objects, rooms, paths, time lines, scripts.
#include <algorithm>
#include <cstdio>

#include "load/chunk_loaders.h"
#include "value/value.h"

namespace {

constexpr uint32_t kNoCode = 0xFFFFFFFF;
// An action record: the code index is word 8 and the source offset word 15.
constexpr uint32_t kActionCodeIndex = 32;
constexpr uint32_t kActionSource = 60;
// Event numbers are alarm numbers, key codes, object indices and the like; anything
// far beyond them is a corrupt record, not a reason to grow a table by gigabytes.
constexpr uint32_t kMaxEventNumber = 65535;

// Reads a code field: an index into the code table, or the offset of source text.
bool ReadCode(ChunkContext& c, uint32_t fieldOffset, const char* what, std::unique_ptr<CCode>& out) {
    out.reset();
    uint32_t value = c.r.U32(fieldOffset, what);
    if (!c.r.Ok()) return false;
    if (c.res.code.present) {
        if (value == kNoCode) return true;
        // An index outside the table gives a unit with no code, as the code table defines.
        const auto& entries = c.res.code.entries;
        bool valid = value < entries.size() && entries[value].offset != 0;
        std::string name = valid ? c.data.Text(entries[value].nameOffset) : "";
        out.reset(CCode::FromIndex(valid ? int(value) : -1, name));
        return true;
    }
    if (value == 0) return true;
    if (!c.r.CheckText(value, what)) return false;
    out.reset(CCode::FromSource(c.data.Text(value), ""));
    return true;
}

// An action list as events and moments store it: u32 count, then the action offsets.
// The code of an event is that of its first action.
bool ReadActions(ChunkContext& c, uint32_t countOffset, CEvent& event) {
    uint32_t count = c.r.U32(countOffset, "action count");
    if (!c.r.Ok()) return false;
    if (count == 0) return true;
    uint32_t action = c.r.U32(countOffset + 4, "action list");
    if (!c.r.Ok()) return false;
    if (action == 0) return true;
    uint32_t field = c.res.code.present ? kActionCodeIndex : kActionSource;
    if (!c.r.Need(action, field + 4, "action record")) return false;
    return ReadCode(c, action + field, "action code", event.code);
}

bool Version6(const ChunkContext& c) { return c.res.header.version >= 6; }

}  // namespace

bool Chunk_LoadObjects(ChunkContext& c) {
    std::vector<uint32_t> list, events;
    if (!Chunk_BodyList(c, list, 32)) return false;
    auto& objects = c.res.objects;
    objects.clear();
    objects.resize(list.size());
    const uint32_t maxNumber = std::max<uint32_t>(kMaxEventNumber, uint32_t(list.size()));
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        uint32_t at = list[i];
        auto o = std::make_unique<CObject>();
        o->index = int(i);
        if (!c.r.String(at, "name", o->name)) return false;
        o->spriteIndex = c.data.I32(at + 4);
        if (c.data.U32(at + 8)) o->flags |= CObject::kVisible;
        if (c.data.U32(at + 12)) o->flags |= CObject::kSolid;
        o->depth = c.data.I32(at + 16);
        if (c.data.U32(at + 20)) o->flags |= CObject::kPersistent;
        o->parentIndex = c.data.I32(at + 24);
        o->maskIndex = c.data.I32(at + 28);
        uint32_t p = at + 32;
        if (Version6(c)) {
            if (!c.r.Need(at, 68, "physics properties")) return false;
            o->usesPhysics = c.data.U32(at + 32) != 0;
            o->physicsSensor = c.data.U32(at + 36) != 0;
            o->physicsShape = c.data.I32(at + 40);
            o->physicsValue1 = c.data.F32(at + 44);
            o->physicsValue2 = c.data.F32(at + 48);
            o->physicsGroup = c.data.I32(at + 52);
            o->physicsValue3 = c.data.F32(at + 56);
            o->physicsValue4 = c.data.F32(at + 60);
            uint32_t n = c.data.U32(at + 64);
            if (!c.r.Count(n, at + 68, 8, "shape point")) return false;
            for (uint32_t k = 0; k < n; ++k)
                o->physicsShapePoints.emplace_back(c.data.F32(at + 68 + 8 * k), c.data.F32(at + 72 + 8 * k));
            p = at + 68 + 8 * n;
        }
        uint32_t types = c.r.U32(p, "event type count");
        if (!c.r.Ok()) return false;
        if (types > uint32_t(kEventTypeCount))
            return c.r.Fail("event type count " + std::to_string(types) + " is more than 12");
        if (!c.r.Need(p + 4, 4 * types, "event type list")) return false;
        for (uint32_t t = 0; t < types; ++t) {
            uint32_t listAt = c.data.U32(p + 4 + 4 * t);
            if (listAt == 0) continue;
            if (!c.r.PointerList(listAt, "event list", events, 12)) return false;
            auto& slots = o->events[t];
            for (uint32_t e : events) {
                if (!e) continue;
                uint32_t number = c.data.U32(e);
                if (number > maxNumber) {
                    char text[120];
                    std::snprintf(text, sizeof text, "event number %u of event type %u is too large", number, t);
                    return c.r.Fail(text);
                }
                if (slots.size() <= number) slots.resize(size_t(number) + 1);
                if (!slots[number]) slots[number] = std::make_unique<CEvent>();
                if (!ReadActions(c, e + 4, *slots[number])) return false;
            }
        }
        objects[i] = std::move(o);
    }
    // Parents: an index of 99999 or less that names an object; anything else is none.
    for (auto& o : objects) {
        if (!o) continue;
        uint32_t parent = uint32_t(o->parentIndex);
        if (parent <= 99999 && parent < objects.size() && objects[parent]) o->parent = objects[parent].get();
    }
    // A loop in the parent chains would make every event lookup spin forever.
    for (auto& o : objects) {
        if (!o) continue;
        size_t steps = 0;
        for (CObject* p = o->parent; p; p = p->parent) {
            if (++steps > objects.size()) {
                c.r.SetEntry(o->index);
                return c.r.Fail("parent chain loops");
            }
        }
    }
    return true;
}

bool Chunk_LoadRooms(ChunkContext& c) {
    std::vector<uint32_t> list, sub;
    if (!Chunk_BodyList(c, list, 56)) return false;
    auto& rooms = c.res.rooms;
    rooms.clear();
    rooms.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        uint32_t at = list[i];
        if (Version6(c) && !c.r.Need(at, 88, "physics fields")) return false;
        auto room = std::make_unique<CRoom>();
        if (!c.r.String(at, "name", room->name)) return false;
        if (!c.r.String(at + 4, "caption", room->caption)) return false;
        room->width = c.data.I32(at + 8);
        room->height = c.data.I32(at + 12);
        room->speed = c.data.I32(at + 16);
        room->persistent = c.data.U32(at + 20) != 0;
        room->colour = c.data.U32(at + 24);
        room->showColour = c.data.U32(at + 28) != 0;
        if (!ReadCode(c, at + 32, "creation code", room->creationCode)) return false;
        room->viewsEnabled = c.data.U32(at + 36) != 0;
        if (Version6(c)) {
            room->physicsWorld = c.data.U32(at + 56) != 0;
            // Whole numbers, as the engine's own conversion makes them: a float from the
            // file may be out of an int's range or not a number.
            room->gravityX = double(Real_TruncToInt32(c.data.F32(at + 76)));
            room->gravityY = double(Real_TruncToInt32(c.data.F32(at + 80)));
            room->physicsScale = c.data.F32(at + 84);
        }

        uint32_t bgList = c.data.U32(at + 40);
        if (bgList) {
            if (!c.r.PointerList(bgList, "background list", sub, 40)) return false;
            if (sub.size() > room->backgrounds.size())
                return c.r.Fail("background list holds " + std::to_string(sub.size()) + " records, more than 8");
            for (size_t k = 0; k < sub.size(); ++k) {
                if (!sub[k]) continue;
                uint32_t b = sub[k];
                CRoomBackground& bg = room->backgrounds[k];
                bg.visible = c.data.U32(b) != 0;
                bg.foreground = c.data.U32(b + 4) != 0;
                bg.index = c.data.I32(b + 8);
                bg.x = c.data.I32(b + 12);
                bg.y = c.data.I32(b + 16);
                bg.tileH = c.data.U32(b + 20) != 0;
                bg.tileV = c.data.U32(b + 24) != 0;
                bg.hspeed = c.data.I32(b + 28);
                bg.vspeed = c.data.I32(b + 32);
                bg.blend = 0xFFFFFF;
                bg.alpha = 1;
                bool stretch = c.data.U32(b + 36) != 0;
                const auto& bgs = c.res.backgrounds;
                if (stretch && bg.index >= 0 && size_t(bg.index) < bgs.size() && bgs[bg.index]) {
                    const CBackground& def = *bgs[bg.index];
                    if (def.width > 0) bg.xscale = double(room->width) / def.width;
                    if (def.height > 0) bg.yscale = double(room->height) / def.height;
                }
            }
        }

        uint32_t viewList = c.data.U32(at + 44);
        if (viewList) {
            if (!c.r.PointerList(viewList, "view list", sub, 56)) return false;
            if (sub.size() > room->views.size())
                return c.r.Fail("view list holds " + std::to_string(sub.size()) + " records, more than 8");
            for (size_t k = 0; k < sub.size(); ++k) {
                if (!sub[k]) continue;
                uint32_t v = sub[k];
                CRoomView& view = room->views[k];
                view.visible = c.data.U32(v) != 0;
                view.viewX = c.data.I32(v + 4);
                view.viewY = c.data.I32(v + 8);
                view.viewW = c.data.I32(v + 12);
                view.viewH = c.data.I32(v + 16);
                view.portX = c.data.I32(v + 20);
                view.portY = c.data.I32(v + 24);
                view.portW = c.data.I32(v + 28);
                view.portH = c.data.I32(v + 32);
                view.hborder = c.data.I32(v + 36);
                view.vborder = c.data.I32(v + 40);
                view.hspeed = c.data.I32(v + 44);
                view.vspeed = c.data.I32(v + 48);
                view.follow = c.data.I32(v + 52);
                view.angle = 0;
            }
        }

        uint32_t instList = c.data.U32(at + 48);
        if (instList) {
            if (!c.r.PointerList(instList, "instance list", sub, 36)) return false;
            for (uint32_t p : sub) {
                if (!p) continue;
                CRoomInstance inst;
                inst.x = c.data.I32(p);
                inst.y = c.data.I32(p + 4);
                inst.objectIndex = c.data.I32(p + 8);
                inst.id = c.data.U32(p + 12);
                if (!ReadCode(c, p + 16, "instance creation code", inst.creationCode)) return false;
                inst.xscale = c.data.F32(p + 20);
                inst.yscale = c.data.F32(p + 24);
                inst.colour = c.data.U32(p + 28);
                inst.rotation = c.data.F32(p + 32);
                room->instances.push_back(std::move(inst));
            }
        }

        uint32_t tileList = c.data.U32(at + 52);
        if (tileList) {
            if (!c.r.PointerList(tileList, "tile list", room->tiles, kRoomTileRecordSize)) return false;
            std::erase(room->tiles, 0u);
        }
        rooms[i] = std::move(room);
    }
    return true;
}

bool Chunk_LoadPaths(ChunkContext& c) {
    std::vector<uint32_t> list;
    if (!Chunk_BodyList(c, list, 20)) return false;
    c.res.paths.clear();
    c.res.paths.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        uint32_t at = list[i];
        auto path = std::make_unique<CPath>();
        if (!c.r.String(at, "name", path->name)) return false;
        path->kind = c.data.I32(at + 4);
        path->closed = c.data.U32(at + 8) != 0;
        path->precision = c.data.I32(at + 12);
        uint32_t n = c.data.U32(at + 16);
        if (!c.r.Count(n, at + 20, 12, "point")) return false;
        path->points.resize(n);
        for (uint32_t k = 0; k < n; ++k) {
            uint32_t p = at + 20 + 12 * k;
            path->points[k] = {c.data.F32(p), c.data.F32(p + 4), c.data.F32(p + 8)};
        }
        c.res.paths[i] = std::move(path);
    }
    return true;
}

bool Chunk_LoadTimeLines(ChunkContext& c) {
    std::vector<uint32_t> list;
    if (!Chunk_BodyList(c, list, 8)) return false;
    c.res.timelines.clear();
    c.res.timelines.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        uint32_t at = list[i];
        auto tl = std::make_unique<CTimeLine>();
        if (!c.r.String(at, "name", tl->name)) return false;
        uint32_t m = c.data.U32(at + 4);
        if (!c.r.Count(m, at + 8, 8, "moment")) return false;
        tl->moments.resize(m);
        for (uint32_t k = 0; k < m; ++k) {
            auto& moment = tl->moments[k];
            moment.step = c.data.I32(at + 8 + 8 * k);
            moment.event = std::make_unique<CEvent>();
            uint32_t actions = c.data.U32(at + 12 + 8 * k);
            if (actions && !ReadActions(c, actions, *moment.event)) return false;
        }
        c.res.timelines[i] = std::move(tl);
    }
    return true;
}

bool Chunk_LoadScripts(ChunkContext& c) {
    std::vector<uint32_t> list;
    if (!Chunk_BodyList(c, list, 8)) return false;
    c.res.scripts.clear();
    c.res.scripts.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        auto script = std::make_unique<CScript>();
        if (!c.r.String(list[i], "name", script->name)) return false;
        if (!ReadCode(c, list[i] + 4, "code", script->code)) return false;
        if (script->code && !c.res.code.present) script->code->name = script->name;
        c.res.scripts[i] = std::move(script);
    }
    return true;
}
