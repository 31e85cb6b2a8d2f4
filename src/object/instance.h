#pragma once
// Live instances: the record, the running room's lists and id map, and the operations
// that create, copy, change, destroy, deactivate and reorder instances.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "data/game.h"
#include "object/object.h"
#include "variable/instance.h"

// --- operations -------------------------------------------------------------------------

// Makes an instance in `room` (no event): the next id when `id` is negative, otherwise
// that id; joins the object lists, the room's active list by depth and the id map.
CInstance* Instance_Place(CRoomInstances& room, float x, float y, int objectIndex, int id = -1);
// instance_create: a missing object reports the error and gives null; otherwise a new
// instance in the running room whose create event is performed at once.
CInstance* Instance_Create(int objectIndex, float x, float y);
// What making and freeing instances asks of the physics layer, installed at start-up.
struct CInstancePhysicsHooks {
    // Gives an instance of a physics-enabled object its body when `room` has a world.
    void (*attach)(CRoomInstances& room, CInstance* instance) = nullptr;
    // Destroys the instance's body.
    void (*release)(CInstance* instance) = nullptr;
};
void Instance_SetPhysicsHooks(const CInstancePhysicsHooks& hooks);
// Once the instance's position and angle are set: its body, when its object uses physics.
void Instance_AttachPhysics(CRoomInstances& room, CInstance* instance);
// Performs the destroy event, then marks the instance.
void Instance_Destroy(CInstance* instance);
// Changes the object; with `events`, destroy event before and create event after.
void Instance_Change(CInstance* instance, int objectIndex, bool events);
// Takes the object's defaults; -1 is object 0. With `updateLists` the instance leaves
// its old object lists and joins the new ones.
void Instance_SetObject(CInstance* instance, int objectIndex, bool updateLists);
// Every field of source (variables deep-copied, alarms, marked and deactivated too),
// except the stamp and the list links; the destination then joins the source object's
// lists when `updateLists`.
void Instance_Copy(CInstance& destination, const CInstance& source, bool updateLists);
// instance_copy's work: a new instance of self's object at self's position.
CInstance* Instance_Duplicate(CInstance* self, bool performEvent);
// Joins / leaves the object lists (own list, and instances_all of the object and of
// every ancestor).
void Instance_JoinObjectLists(CInstance* instance);
void Instance_LeaveObjectLists(CInstance* instance);
// Depth assignment: a changed depth moves an active instance behind its equals.
void Instance_SetDepth(CInstance* instance, float depth);
// After activation flags changed: the two-pass resort of the running room's lists.
void Instance_ResortLists(CRoomInstances& room);
// Whether a creation stamp keeps an instance out of a pass that began at `before`.
inline bool Instance_TakesPart(const CInstance* instance, uint64_t before) {
    return !instance->marked && !instance->deactivated && instance->creationStamp <= before;
}
// The frame count of a sprite, 0 when it does not exist.
int Sprite_FrameCount(int sprite);
