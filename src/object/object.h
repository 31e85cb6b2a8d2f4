#pragma once
// Object definitions: what the OBJT chunk (or object_add) describes, plus the two
// lists through which an object's live instances are found.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/game.h"
#include "object/event.h"
#include "variable/instance.h"

class CObject {
public:
    enum Flags { kSolid = 1, kVisible = 2, kPersistent = 4 };

    int index = -1;
    std::string name;
    int spriteIndex = -1;
    int maskIndex = -1;
    int depth = 0;
    unsigned flags = 0;
    int parentIndex = -100;  // as stored; anything negative or naming no object is none
    CObject* parent = nullptr;

    // Physics properties (format 6 and later).
    bool usesPhysics = false;
    bool physicsSensor = false;
    int physicsShape = 0;
    float physicsValue1 = 0, physicsValue2 = 0, physicsValue3 = 0, physicsValue4 = 0;
    int physicsGroup = 0;
    std::vector<std::pair<float, float>> physicsShapePoints;

    // Per event type, events indexed by event number (empty slots are null).
    std::array<std::vector<std::unique_ptr<CEvent>>, kEventTypeCount> events;

    // Instances of this object, in creation order, and of this object and every
    // descendant, in the order they were added.
    CInstanceList instances;
    CInstanceList instancesAll;

    bool Solid() const { return flags & kSolid; }
    bool Visible() const { return flags & kVisible; }
    bool Persistent() const { return flags & kPersistent; }

    // The event of this object's own table, or null.
    const CEvent* OwnEvent(int type, int number) const {
        if (type < 0 || type >= kEventTypeCount || number < 0) return nullptr;
        const auto& table = events[size_t(type)];
        return size_t(number) < table.size() ? table[size_t(number)].get() : nullptr;
    }
};

// --- the object table (the game's objects, Game().resources->objects) -------------------

constexpr int kMaxObjectIndex = 99999;

CObject* Object_Find(int index);
bool Object_Exists(int index);
int Object_Count();
// The name, or "<undefined>".
const char* Object_Name(int index);
// Walks the parent chain upward from the object's parent; true when `candidate` is met.
bool Object_IsAncestor(int object, int candidate);
// Resolves every object's parent pointer from its index (indices up to 99999 only).
void Object_ResolveParents();
// A new object with every default, named "__newobject<index>"; returns its index.
int Object_Add();
// Takes the object out of the table. Its record is kept alive until the game's
// resources go, so an event of it that is running, or a phase that is walking its
// instances, never touches freed memory. False when it does not exist.
bool Object_Delete(int index);

// Changes whenever an instance joins or leaves any object's instance list, or a list
// goes: a copy of a list taken at one value is still the list while the value holds.
uint64_t Object_ListVersion();

// --- per-event object lists -----------------------------------------------------------

// An object that has (type, number) itself or through an ancestor, with where it was found.
struct CEventListEntry {
    int object;
    int foundIn;
    const CEvent* event;
};

// The lists the frame's phases walk, rebuilt as a whole after the objects are loaded,
// after object_set_parent, object_event_clear, object_add and object_delete.
void Event_RebuildLists();
// The objects having (type, number), in ascending object index; empty for numbers that
// have no list. The reference is good until the next rebuild: hold an entry, not it.
const std::vector<CEventListEntry>& Event_ObjectList(int type, int number);
// The entry of one object in a list, or null: what Event_Find would give, looked up in
// the lists the phases use.
const CEventListEntry* Event_ListEntry(int type, int number, int object);
// Unordered object pairs (a <= b) with a collision event between them.
const std::vector<std::pair<int, int>>& Event_CollisionPairs();
