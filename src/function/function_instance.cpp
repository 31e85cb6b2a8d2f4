#include "function/function_instance.h"

#include <cmath>
#include <iterator>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/motion.h"
#include "platform/console.h"
#include "room/room.h"
#include "value/args.h"
#include "vm/machine.h"

namespace {

bool Alive(const CInstance* i) { return i && !i->marked; }

bool SpriteExists(int sprite) {
    const CGameResources* res = &*Game().resources;
    return res && sprite >= 0 && size_t(sprite) < res->sprites.size() && res->sprites[size_t(sprite)];
}

// --- instances ---------------------------------------------------------------------------

void F_InstanceCreate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    for (int i = 0; i < argc && i < 3; ++i) {
        if (args[i].IsString()) {
            Code_ShowError("instance_create( ) error: Illegal type", false);
            result.SetReal(-1);
            return;
        }
    }
    CInstance* inst = Instance_Create(Arg_Int(argc, args, 2), Arg_Float(argc, args, 0), Arg_Float(argc, args, 1));
    result.SetReal(inst ? inst->id : kNoone);
}

void F_InstanceCopy(CValue& result, CInstance* self, CInstance*, int argc, CValue* args) {
    CInstance* copy = Instance_Duplicate(self, Arg_Flag(argc, args, 0));
    result.SetReal(copy ? copy->id : kNoone);
}

void F_InstanceDestroy(CValue&, CInstance* self, CInstance*, int, CValue*) { Instance_Destroy(self); }

void F_InstanceChange(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    Instance_Change(self, Arg_Int(argc, args, 0), Arg_Flag(argc, args, 1));
}

void F_InstanceSprite(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    const int sprite = Arg_Int(argc, args, 0);
    if (!SpriteExists(sprite)) {
        Code_ShowError("Setting instance to non-existing sprite: " + std::to_string(sprite), false);
        return;
    }
    if (!self) return;
    self->spriteIndex = sprite;
    Instance_MarkMoved(self);
}

// The chosen instance for -1, -2 and an id; null otherwise.
CInstance* Single(int which, CInstance* self, CInstance* other) {
    if (which == -1) return self;
    if (which == -2) return other;
    if (which >= kFirstInstanceId) return Game().world->Find(which);
    return nullptr;
}

int CountOf(int which, CInstance* self, CInstance* other, int stopAt) {
    CInstanceWorld& world = *Game().world;
    if (which == -1 || which == -2 || which >= kFirstInstanceId) return Alive(Single(which, self, other)) ? 1 : 0;
    int n = 0;
    if (which == -3) {
        for (CInstance* i = world.ActiveHead(); i && n < stopAt; i = i->next) n += i->marked ? 0 : 1;
        return n;
    }
    const CObject* o = which >= 0 ? Object_Find(which) : nullptr;
    if (!o) return 0;
    for (const CInstanceLink* l = o->instancesAll.head; l && n < stopAt; l = l->next) n += l->instance->marked ? 0 : 1;
    return n;
}

void F_InstanceExists(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    result.SetReal(CountOf(Arg_Int(argc, args, 0), self, other, 1) > 0 ? 1 : 0);
}

void F_InstanceNumber(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    result.SetReal(CountOf(Arg_Int(argc, args, 0), self, other, INT32_MAX));
}

void F_InstanceFind(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int which = Arg_Int(argc, args, 0);
    int n = Arg_Int(argc, args, 1);
    result.SetReal(kNoone);
    if (which >= kFirstInstanceId) {
        CInstance* i = Game().world->Find(which);
        if (n == 0 && Alive(i)) result.SetReal(i->id);
        return;
    }
    if (n < 0) return;
    if (which == -3) {
        for (CInstance* i = Game().world->ActiveHead(); i; i = i->next)
            if (!i->marked && n-- == 0) return result.SetReal(i->id);
        return;
    }
    const CObject* o = which >= 0 ? Object_Find(which) : nullptr;
    if (!o) return;
    for (const CInstanceLink* l = o->instancesAll.head; l; l = l->next)
        if (!l->instance->marked && n-- == 0) return result.SetReal(l->instance->id);
}

// --- activation ----------------------------------------------------------------------------

// Whether an instance is one of those `which` names: all, an id, or an object and its
// descendants.
bool Chosen(const CInstance* i, int which) {
    if (which == -3) return true;
    if (which >= kFirstInstanceId) return i->id == which;
    return which >= 0 && (i->objectIndex == which || Object_IsAncestor(i->objectIndex, which));
}

// An instance meets the rectangle by its box, or by its position when it has no shape.
bool InRegion(CInstance& i, double left, double top, double width, double height) {
    const double right = left + width, bottom = top + height;
    if (!SpriteExists(i.spriteIndex) && !SpriteExists(i.maskIndex))
        return i.x >= left && i.x <= right && i.y >= top && i.y <= bottom;
    Instance_UpdateBox(i);
    return i.bboxRight >= left && i.bboxLeft <= right && i.bboxBottom >= top && i.bboxTop <= bottom;
}

void Resort() {
    if (CRoom* room = Room_Running()) Instance_ResortLists(*room);
}

void F_DeactivateAll(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) i->deactivated = true;
    if (Arg_Flag(argc, args, 0) && self) self->deactivated = false;
    Resort();
}

void F_DeactivateObject(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int which = Arg_Int(argc, args, 0);
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next)
        if (Chosen(i, which)) i->deactivated = true;
    Resort();
}

void F_DeactivateRegion(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    const bool inside = Arg_Bool(argc, args, 4), notme = Arg_Bool(argc, args, 5);
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) {
        if (notme && i == self) continue;
        if (InRegion(*i, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                     Arg_Real(argc, args, 3)) == inside)
            i->deactivated = true;
    }
    Resort();
}

void F_ActivateAll(CValue&, CInstance*, CInstance*, int, CValue*) {
    if (CRoom* room = Room_Running())
        for (CInstance* i = room->deactivated.head; i; i = i->next) i->deactivated = false;
    Resort();
}

void F_ActivateObject(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int which = Arg_Int(argc, args, 0);
    if (CRoom* room = Room_Running())
        for (CInstance* i = room->deactivated.head; i; i = i->next)
            if (Chosen(i, which)) i->deactivated = false;
    Resort();
}

void F_ActivateRegion(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const bool inside = Arg_Bool(argc, args, 4);
    if (CRoom* room = Room_Running())
        for (CInstance* i = room->deactivated.head; i; i = i->next)
            if (InRegion(*i, Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                         Arg_Real(argc, args, 3)) == inside)
                i->deactivated = false;
    Resort();
}

// --- objects --------------------------------------------------------------------------------

CObject* ObjectArg(int argc, const CValue* args) { return Object_Find(Arg_Int(argc, args, 0)); }

void F_ObjectExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(ObjectArg(argc, args) ? 1 : 0);
}

void F_ObjectGetName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CObject* o = ObjectArg(argc, args);
    result.SetString(o ? o->name : std::string());
}

#define OBJECT_GET(NAME, EXPR)                                                  \
    void NAME(CValue& result, CInstance*, CInstance*, int argc, CValue* args) { \
        const CObject* o = ObjectArg(argc, args);                               \
        result.SetReal(o ? double(EXPR) : -1.0);                                \
    }
OBJECT_GET(F_ObjectGetSprite, o->spriteIndex)
OBJECT_GET(F_ObjectGetSolid, o->Solid() ? 1 : 0)
OBJECT_GET(F_ObjectGetVisible, o->Visible() ? 1 : 0)
OBJECT_GET(F_ObjectGetDepth, o->depth)
OBJECT_GET(F_ObjectGetPersistent, o->Persistent() ? 1 : 0)
OBJECT_GET(F_ObjectGetMask, o->maskIndex)
OBJECT_GET(F_ObjectGetParent, o->parentIndex < 0 ? -1 : o->parentIndex)
#undef OBJECT_GET

void SetFlag(CObject& o, unsigned flag, bool on) { o.flags = on ? (o.flags | flag) : (o.flags & ~flag); }

#define OBJECT_SET(NAME, STMT)                                           \
    void NAME(CValue&, CInstance*, CInstance*, int argc, CValue* args) { \
        if (CObject* o = ObjectArg(argc, args)) {                        \
            STMT;                                                        \
        }                                                                \
    }
OBJECT_SET(F_ObjectSetSprite, o->spriteIndex = Arg_Int(argc, args, 1))
OBJECT_SET(F_ObjectSetSolid, SetFlag(*o, CObject::kSolid, Arg_Bool(argc, args, 1)))
OBJECT_SET(F_ObjectSetVisible, SetFlag(*o, CObject::kVisible, Arg_Bool(argc, args, 1)))
OBJECT_SET(F_ObjectSetDepth, o->depth = Arg_Int(argc, args, 1))
OBJECT_SET(F_ObjectSetPersistent, SetFlag(*o, CObject::kPersistent, Arg_Bool(argc, args, 1)))
OBJECT_SET(F_ObjectSetMask, o->maskIndex = Arg_Int(argc, args, 1))
#undef OBJECT_SET

void F_ObjectSetParent(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int index = Arg_Int(argc, args, 0), parent = Arg_Int(argc, args, 1);
    CObject* o = Object_Find(index);
    if (!o) return;
    if (parent < 0) {
        o->parentIndex = -1;
        o->parent = nullptr;
    } else if (!Object_Exists(parent)) {
        Code_ShowError("Setting a non-existing parent.", false);
        return;
    } else if (parent == index || Object_IsAncestor(parent, index)) {
        Code_ShowError("Creating a cycle in the parent relation.", false);
        return;
    } else {
        o->parentIndex = parent;
        o->parent = Object_Find(parent);
    }
    Event_RebuildLists();
}

void F_ObjectIsAncestor(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Object_IsAncestor(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1)) ? 1 : 0);
}

void F_ObjectAdd(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetReal(Object_Add()); }

void F_ObjectDelete(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (!Object_Delete(Arg_Int(argc, args, 0))) {
        Code_ShowError("Trying to delete non-existing object.", false);
        result.SetReal(0);
        return;
    }
    result.SetReal(1);
}

void F_ObjectEventClear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const CObject* o = ObjectArg(argc, args);
    // Only the lists are rebuilt; the event itself stays defined.
    if (o && o->OwnEvent(Arg_Int(argc, args, 1), Arg_Int(argc, args, 2))) Event_RebuildLists();
}

void F_ObjectEventAdd(CValue&, CInstance*, CInstance*, int, CValue*) {
    Console().Output("object_event_add :: deprecated function\n");
}

}  // namespace

extern const FunctionImpl kInstanceFunctions[] = {
    {"instance_create", F_InstanceCreate},
    {"instance_copy", F_InstanceCopy},
    {"instance_destroy", F_InstanceDestroy},
    {"instance_change", F_InstanceChange},
    {"instance_sprite", F_InstanceSprite},
    {"instance_exists", F_InstanceExists},
    {"instance_number", F_InstanceNumber},
    {"instance_find", F_InstanceFind},
    {"instance_deactivate_all", F_DeactivateAll},
    {"instance_deactivate_object", F_DeactivateObject},
    {"instance_deactivate_region", F_DeactivateRegion},
    {"instance_activate_all", F_ActivateAll},
    {"instance_activate_object", F_ActivateObject},
    {"instance_activate_region", F_ActivateRegion},
    {"object_exists", F_ObjectExists},
    {"object_get_name", F_ObjectGetName},
    {"object_name", F_ObjectGetName},
    {"object_get_sprite", F_ObjectGetSprite},
    {"object_get_solid", F_ObjectGetSolid},
    {"object_get_visible", F_ObjectGetVisible},
    {"object_get_depth", F_ObjectGetDepth},
    {"object_get_persistent", F_ObjectGetPersistent},
    {"object_get_mask", F_ObjectGetMask},
    {"object_get_parent", F_ObjectGetParent},
    {"object_set_sprite", F_ObjectSetSprite},
    {"object_set_solid", F_ObjectSetSolid},
    {"object_set_visible", F_ObjectSetVisible},
    {"object_set_depth", F_ObjectSetDepth},
    {"object_set_persistent", F_ObjectSetPersistent},
    {"object_set_mask", F_ObjectSetMask},
    {"object_set_parent", F_ObjectSetParent},
    {"object_is_ancestor", F_ObjectIsAncestor},
    {"object_add", F_ObjectAdd},
    {"object_delete", F_ObjectDelete},
    {"object_event_clear", F_ObjectEventClear},
    {"object_event_add", F_ObjectEventAdd},
};
extern const size_t kInstanceFunctionCount = std::size(kInstanceFunctions);
