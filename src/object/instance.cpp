#include "object/instance.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "graphics/sprite.h"
#include "object/collision.h"
#include "object/motion.h"
#include "variable/variable_list.h"
#include "vm/machine.h"

// --- the record -----------------------------------------------------------------------

void CInstance::Clear() {
    for (int& a : alarm) a = -1;
    creationStamp = Event_StampCounter();
    variables = std::make_unique<CVariableList>();
    ownLink.instance = this;
}

CInstance::CInstance(int id_, int objectIndex_) {
    Clear();
    Instance_SetObject(this, objectIndex_, false);
    id = id_;
}

CInstance::CInstance(float x_, float y_, int id_, int objectIndex_, bool updateLists) {
    Clear();
    Instance_SetObject(this, objectIndex_, updateLists);
    x = xstart = xprevious = x_;
    y = ystart = yprevious = y_;
    id = id_;
    imageIndex = 0;
    Instance_MarkMoved(this);
}

namespace {
CInstancePhysicsHooks g_physicsHooks;
}

void Instance_SetPhysicsHooks(const CInstancePhysicsHooks& hooks) { g_physicsHooks = hooks; }

void Instance_AttachPhysics(CRoomInstances& room, CInstance* instance) {
    if (instance && instance->object && instance->object->usesPhysics && g_physicsHooks.attach)
        g_physicsHooks.attach(room, instance);
}

CInstance::~CInstance() {
    if (physicsBody && g_physicsHooks.release) g_physicsHooks.release(this);
    Instance_LeaveObjectLists(this);
    Collision_Forget(this);
}

// --- room lists -------------------------------------------------------------------------

namespace {
uint64_t g_chainVersion = 0;
}

uint64_t Instance_ChainVersion() { return g_chainVersion; }

void CInstanceChain::LinkBefore(CInstance* instance, CInstance* before) {
    ++g_chainVersion;
    instance->next = before;
    instance->prev = before ? before->prev : tail;
    if (instance->prev) instance->prev->next = instance;
    else head = instance;
    if (before) before->prev = instance;
    else tail = instance;
    ++count;
}

CInstance* CInstanceChain::InsertByDepth(std::unique_ptr<CInstance> owned) {
    CInstance* instance = owned.release();
    // From the tail: the usual case (equal or greatest depth) stops at once, so a room
    // full of instances at one depth fills in linear time.
    CInstance* after = tail;
    while (after && after->depth > instance->depth) after = after->prev;
    LinkBefore(instance, after ? after->next : head);
    return instance;
}

CInstance* CInstanceChain::Append(std::unique_ptr<CInstance> owned) {
    CInstance* instance = owned.release();
    LinkBefore(instance, nullptr);
    return instance;
}

std::unique_ptr<CInstance> CInstanceChain::Take(CInstance* instance) {
    ++g_chainVersion;
    if (instance->prev) instance->prev->next = instance->next;
    else head = instance->next;
    if (instance->next) instance->next->prev = instance->prev;
    else tail = instance->prev;
    instance->next = instance->prev = nullptr;
    --count;
    return std::unique_ptr<CInstance>(instance);
}

void CInstanceChain::Clear() {
    while (head) Take(head).reset();
}

// --- the world --------------------------------------------------------------------------

void CInstanceWorld::OfObject(int objectIndex, std::vector<CInstance*>& out) const {
    out.clear();
    const CObject* o = Object_Find(objectIndex);
    if (!o) return;
    for (const CInstanceLink* l = o->instances.head; l; l = l->next)
        if (!l->instance->marked) out.push_back(l->instance);
}

void CInstanceWorld::OfObjectAll(int objectIndex, std::vector<CInstance*>& out) const {
    out.clear();
    const CObject* o = Object_Find(objectIndex);
    if (!o) return;
    for (const CInstanceLink* l = o->instancesAll.head; l; l = l->next)
        if (!l->instance->marked) out.push_back(l->instance);
}

void CInstanceWorld::All(std::vector<CInstance*>& out) const {
    out.clear();
    for (CInstance* i = ActiveHead(); i; i = i->next)
        if (!i->marked) out.push_back(i);
}

CInstance* CInstanceWorld::FirstOfObject(int objectIndex) const {
    const CObject* o = Object_Find(objectIndex);
    if (!o) return nullptr;
    for (const CInstanceLink* l = o->instances.head; l; l = l->next)
        if (!l->instance->marked) return l->instance;
    return nullptr;
}

CInstance* CInstanceWorld::FirstActive() const {
    for (CInstance* i = ActiveHead(); i; i = i->next)
        if (!i->marked) return i;
    return nullptr;
}

bool CInstanceWorld::ObjectExists(int objectIndex) const { return Object_Exists(objectIndex); }

CInstance* CInstanceWorld::ActiveHead() const { return room ? room->active.head : nullptr; }

void CInstanceWorld::Reset() {
    room = nullptr;
    ids.clear();
    removalPending = false;
}

// --- operations ---------------------------------------------------------------------------

int Sprite_FrameCount(int sprite) {
    const CGameResources* res = &*Game().resources;
    if (!res || sprite < 0 || size_t(sprite) >= res->sprites.size() || !res->sprites[size_t(sprite)]) return 0;
    return int(res->sprites[size_t(sprite)]->frameCount);
}

void Instance_JoinObjectLists(CInstance* instance) {
    Instance_LeaveObjectLists(instance);
    CObject* o = Object_Find(instance->objectIndex);
    if (!o) return;
    o->instances.Append(instance->ownLink);
    // The object and each ancestor; the table size bounds a chain that loops.
    int chain = 0;
    const int limit = Object_Count() + 1;
    for (CObject* a = o; a && chain < limit; a = Object_Find(a->parentIndex)) ++chain;
    if (!instance->allLinks || instance->allLinkCount < chain)
        instance->allLinks = std::make_unique<CInstanceLink[]>(size_t(chain));
    instance->allLinkCount = chain;
    int k = 0;
    for (CObject* a = o; a && k < chain; a = Object_Find(a->parentIndex), ++k) {
        instance->allLinks[size_t(k)].instance = instance;
        a->instancesAll.Append(instance->allLinks[size_t(k)]);
    }
    Collision_Touch(instance);
}

void Instance_LeaveObjectLists(CInstance* instance) {
    CInstanceList::Remove(instance->ownLink);
    for (int k = 0; k < instance->allLinkCount; ++k) CInstanceList::Remove(instance->allLinks[size_t(k)]);
    // The array stays for the next join; the count says how much of it is linked.
    instance->allLinkCount = 0;
    Collision_Touch(instance);
}

void Instance_SetObject(CInstance* instance, int objectIndex, bool updateLists) {
    Instance_LeaveObjectLists(instance);
    if (objectIndex == -1) objectIndex = 0;
    instance->objectIndex = objectIndex;
    CObject* o = Object_Find(objectIndex);
    instance->object = o;
    if (o) {
        if (updateLists) Instance_JoinObjectLists(instance);
        instance->maskIndex = o->maskIndex;
        instance->depth = float(o->depth);
        instance->solid = o->Solid();
        instance->visible = o->Visible();
        instance->persistent = o->Persistent();
        instance->spriteIndex = o->spriteIndex;
        if (std::trunc(instance->imageIndex) >= Sprite_FrameCount(instance->spriteIndex)) instance->imageIndex = 0;
    }
    Instance_MarkMoved(instance);
}

CInstance* Instance_Place(CRoomInstances& room, float x, float y, int objectIndex, int id) {
    CInstanceWorld& world = *Game().world;
    if (id < 0) id = world.lastId < INT32_MAX ? ++world.lastId : world.lastId;
    CInstance* instance = room.active.InsertByDepth(std::make_unique<CInstance>(x, y, id, objectIndex, true));
    world.ids[id] = instance;
    return instance;
}

CInstance* Instance_Create(int objectIndex, float x, float y) {
    if (!Object_Exists(objectIndex)) {
        Code_ShowError("Creating instance for non-existing object: " + std::to_string(objectIndex), false);
        return nullptr;
    }
    CRoomInstances* room = Game().world->room;
    if (!room) return nullptr;
    CInstance* instance = Instance_Place(*room, x, y, objectIndex);
    Instance_AttachPhysics(*room, instance);
    Event_Perform(instance, instance, kEventCreate, 0);
    instance->created = true;
    return instance;
}

void Instance_Destroy(CInstance* instance) {
    if (!instance) return;
    Event_Perform(instance, instance, kEventDestroy, 0);
    instance->marked = true;
    Game().world->removalPending = true;
}

void Instance_Change(CInstance* instance, int objectIndex, bool events) {
    if (!instance) return;
    if (!Object_Exists(objectIndex)) {
        Code_ShowError("Asking to change into non-existing object: " + std::to_string(objectIndex), false);
        return;
    }
    if (events) Event_Perform(instance, instance, kEventDestroy, 0);
    Instance_SetObject(instance, objectIndex, true);
    instance->creationStamp = Event_StampCounter();
    if (events) {
        Event_Perform(instance, instance, kEventCreate, 0);
        instance->created = true;
    }
}

void Instance_Copy(CInstance& d, const CInstance& s, bool updateLists) {
    d.bboxDirty = s.bboxDirty;
    d.visible = s.visible;
    d.solid = s.solid;
    d.persistent = s.persistent;
    d.marked = s.marked;
    if (d.marked) Game().world->removalPending = true;
    d.deactivated = s.deactivated;
    d.placed = s.placed;
    d.created = s.created;
    d.id = s.id;
    d.spriteIndex = s.spriteIndex;
    d.imageIndex = s.imageIndex;
    d.imageSpeed = s.imageSpeed;
    d.imageXScale = s.imageXScale;
    d.imageYScale = s.imageYScale;
    d.imageAngle = s.imageAngle;
    d.imageAlpha = s.imageAlpha;
    d.imageBlend = s.imageBlend;
    d.maskIndex = s.maskIndex;
    d.precise = s.precise;
    d.x = s.x, d.y = s.y;
    d.xstart = s.xstart, d.ystart = s.ystart;
    d.xprevious = s.xprevious, d.yprevious = s.yprevious;
    d.direction = s.direction;
    d.speed = s.speed;
    d.friction = s.friction;
    d.gravityDirection = s.gravityDirection;
    d.gravity = s.gravity;
    d.hspeed = s.hspeed, d.vspeed = s.vspeed;
    d.bboxLeft = s.bboxLeft, d.bboxTop = s.bboxTop, d.bboxRight = s.bboxRight, d.bboxBottom = s.bboxBottom;
    for (int a = 0; a < kAlarmCount; ++a) d.alarm[a] = s.alarm[a];
    d.variables->CopyFrom(*s.variables);
    d.pathIndex = s.pathIndex;
    d.pathPosition = s.pathPosition, d.pathPositionPrevious = s.pathPositionPrevious;
    d.pathSpeed = s.pathSpeed;
    d.pathScale = s.pathScale;
    d.pathOrientation = s.pathOrientation;
    d.pathEndAction = s.pathEndAction;
    d.pathXStart = s.pathXStart, d.pathYStart = s.pathYStart;
    d.timelineIndex = s.timelineIndex;
    d.timelinePosition = s.timelinePosition;
    d.timelineSpeed = s.timelineSpeed;
    d.timelineRunning = s.timelineRunning;
    d.timelineLoop = s.timelineLoop;
    d.depth = s.depth;
    d.creationCode = s.creationCode;
    d.objectIndex = s.objectIndex;
    d.object = s.object;
    Instance_MarkMoved(&d);
    if (updateLists) Instance_JoinObjectLists(&d);
}

CInstance* Instance_Duplicate(CInstance* self, bool performEvent) {
    CRoomInstances* room = Game().world->room;
    if (!self || !room) return nullptr;
    CInstance* copy = Instance_Place(*room, self->x, self->y, self->objectIndex);
    const int id = copy->id;
    Instance_Copy(*copy, *self, true);
    copy->id = id;
    // Placed by the object's depth; the copy carries self's, so it moves to match.
    room->active.InsertByDepth(room->active.Take(copy));
    Instance_AttachPhysics(*room, copy);
    if (performEvent) {
        Event_Perform(copy, copy, kEventCreate, 0);
        copy->created = true;
    }
    return copy;
}

void Instance_SetDepth(CInstance* instance, float depth) {
    if (instance->depth == depth) return;
    instance->depth = depth;
    CRoomInstances* room = Game().world->room;
    if (instance->deactivated || !room) return;
    // Only an instance that lies in the running room's active list moves.
    if (!instance->prev && room->active.head != instance) return;
    room->active.InsertByDepth(room->active.Take(instance));
}

void Instance_ResortLists(CRoomInstances& room) {
    for (CInstance* i = room.deactivated.head; i;) {
        CInstance* next = i->next;
        if (!i->deactivated) {
            room.active.InsertByDepth(room.deactivated.Take(i));
            Instance_JoinObjectLists(i);
        }
        i = next;
    }
    for (CInstance* i = room.active.head; i;) {
        CInstance* next = i->next;
        if (i->deactivated) {
            room.deactivated.Append(room.active.Take(i));
            Instance_LeaveObjectLists(i);
        }
        i = next;
    }
}
