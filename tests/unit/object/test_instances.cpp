// Instances and objects in a running room: the lists that find them, creation,
// change, copy, destruction, deactivation, and the instance_* / object_* functions.
#include "data/game.h"
#include "graphics/sprite.h"
#include "object/game_fixture.h"

namespace {

class InstanceTest : public GameTest {
protected:
    // Calls a built-in directly, as the machine would.
    CValue Fn(const char* name, std::vector<CValue> args = {}, CInstance* self = nullptr) {
        TBuiltinFunction f = Function_FindImplementation(name);
        EXPECT_NE(f, nullptr) << name;
        CValue result;
        if (f) f(result, self, self, int(args.size()), args.data());
        return result;
    }
    static std::vector<int> Ids(const CInstanceChain& chain) {
        std::vector<int> ids;
        for (const CInstance* i = chain.head; i; i = i->next) ids.push_back(i->id);
        return ids;
    }
    static std::vector<int> Ids(const CInstanceList& list) {
        std::vector<int> ids;
        for (const CInstanceLink* l = list.head; l; l = l->next) ids.push_back(l->instance->id);
        return ids;
    }
    CRoom& Running() { return *Room_Running(); }
};

TEST_F(InstanceTest, ActiveListKeepsDepthOrderNewestLastAmongEquals) {
    Room("rm");
    const int o = Object("obj");
    Load();
    Start();
    CRoom& room = Running();
    CInstance* a = Instance_Place(room, 0, 0, o);
    CInstance* b = Instance_Place(room, 0, 0, o);
    CInstance* deep = Instance_Place(room, 0, 0, o);
    Instance_SetDepth(deep, 5);
    EXPECT_EQ(Ids(room.active), (std::vector<int>{a->id, b->id, deep->id}));
    Instance_SetDepth(a, 0);  // unchanged: stays in front of b
    EXPECT_EQ(Ids(room.active), (std::vector<int>{a->id, b->id, deep->id}));
    Instance_SetDepth(a, 5);  // behind every instance of depth 5
    EXPECT_EQ(Ids(room.active), (std::vector<int>{b->id, deep->id, a->id}));
    Instance_SetDepth(deep, -1);
    EXPECT_EQ(Ids(room.active), (std::vector<int>{deep->id, b->id, a->id}));
    // Run-time ids continue above the header's highest id.
    EXPECT_EQ(a->id, 100101);
    EXPECT_EQ(deep->id, 100103);
}

// An object names its own instances for with and scopes; instance_number, _find and
// _exists see the descendants too. Marked instances count nowhere.
TEST_F(InstanceTest, OwnListAndDescendantList) {
    Room("rm");
    const int parent = Object("obj_parent");
    const int child = Object("obj_child", parent);
    Load();
    Start();
    CRoom& room = Running();
    CInstance* p = Instance_Place(room, 0, 0, parent);
    CInstance* c1 = Instance_Place(room, 0, 0, child);
    CInstance* c2 = Instance_Place(room, 0, 0, child);
    const CObject& po = *Object_Find(parent);
    EXPECT_EQ(Ids(po.instances), (std::vector<int>{p->id}));
    EXPECT_EQ(Ids(po.instancesAll), (std::vector<int>{p->id, c1->id, c2->id}));
    EXPECT_EQ(Fn("instance_number", {CValue(double(parent))}).val, 3);
    EXPECT_EQ(Fn("instance_number", {CValue(double(child))}).val, 2);
    EXPECT_EQ(Fn("instance_number", {CValue(-3.0)}).val, 3);
    EXPECT_EQ(Fn("instance_find", {CValue(double(parent)), CValue(2.0)}).val, c2->id);
    EXPECT_EQ(Fn("instance_find", {CValue(double(c1->id)), CValue(1.0)}).val, kNoone);

    c1->marked = c2->marked = true;
    EXPECT_EQ(Fn("instance_find", {CValue(double(child)), CValue(0.0)}).val, kNoone);
    EXPECT_EQ(Fn("instance_exists", {CValue(double(child))}).val, 0);
    EXPECT_EQ(Fn("instance_exists", {CValue(double(c1->id))}).val, 0);
    EXPECT_EQ(Fn("instance_exists", {CValue(-1.0)}, p).val, 1);
    EXPECT_EQ(Fn("instance_exists", {CValue(-4.0)}, p).val, 0);
    // Removal frees them and forgets their ids.
    const int id = c1->id;
    Room_RemoveDestroyed(room);
    EXPECT_EQ(Game().world->Find(id), nullptr);
    EXPECT_EQ(Ids(po.instancesAll), (std::vector<int>{p->id}));
    EXPECT_EQ(room.active.count, 1);
}

TEST_F(InstanceTest, CreateChangeCopyAndDestroyRunTheirEvents) {
    Room("rm");
    const int a = Object("obj_a");
    const int b = Object("obj_b", -1, 7);
    On(a, kEventCreate, 0, Say("a create"));
    On(a, kEventDestroy, 0, Say("a destroy"));
    On(b, kEventCreate, 0, Say("b create"));
    Load();
    Start();
    testing::internal::CaptureStdout();
    CInstance* inst = Instance_Create(a, 10, 20);
    ASSERT_NE(inst, nullptr);
    EXPECT_TRUE(inst->created);
    inst->variables->Set(Variable_Find("kept"), 0, CValue(3.0));

    CInstance* copy = Instance_Duplicate(inst, true);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->id, inst->id);
    CValue v;
    EXPECT_TRUE(copy->variables->Get(Variable_Find("kept"), 0, v));
    EXPECT_EQ(v.val, 3);
    EXPECT_EQ(copy->x, 10);

    Instance_Change(inst, b, true);
    EXPECT_EQ(inst->objectIndex, b);
    EXPECT_EQ(inst->depth, 7);
    Instance_Change(inst, 99, true);  // a missing object: the error, nothing changes
    EXPECT_EQ(inst->objectIndex, b);
    Instance_Destroy(copy);
    EXPECT_TRUE(copy->marked);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "a create\na create\na destroy\nb create\na destroy\n");
    EXPECT_NE(Game().error.last.find("Asking to change into non-existing object: 99"), std::string::npos);

    // instance_create refuses strings and missing objects.
    EXPECT_EQ(Fn("instance_create", {CValue(1.0), CValue(std::string_view("x")), CValue(double(a))}).val, -1);
    EXPECT_NE(Game().error.last.find("instance_create( ) error: Illegal type"), std::string::npos);
    EXPECT_EQ(Fn("instance_create", {CValue(1.0), CValue(1.0), CValue(42.0)}).val, kNoone);
    EXPECT_NE(Game().error.last.find("Creating instance for non-existing object: 42"), std::string::npos);
}

// The image index survives a change of object unless the new sprite has fewer frames;
// object -1 means object 0.
TEST_F(InstanceTest, SetObjectKeepsTheFrameWhileTheSpriteHasIt) {
    Room("rm");
    const int small = Object("obj_small");
    const int large = Object("obj_large");
    desc.objects[size_t(small)]->sprite = 0;
    desc.objects[size_t(large)]->sprite = 1;
    Load();
    for (int frames : {2, 5}) {
        res.sprites.push_back(std::make_unique<CSprite>());
        res.sprites.back()->frameCount = uint32_t(frames);
    }
    Start();
    CInstance* i = Instance_Place(Running(), 0, 0, large);
    i->imageIndex = 1.5f;
    Instance_Change(i, small, false);
    EXPECT_EQ(i->imageIndex, 1.5f);
    i->imageIndex = 3.5f;
    Instance_Change(i, large, false);
    EXPECT_EQ(i->imageIndex, 3.5f);
    Instance_Change(i, small, false);
    EXPECT_EQ(i->imageIndex, 0.0f);
    Instance_SetObject(i, -1, true);
    EXPECT_EQ(i->objectIndex, 0);
}

// Deactivated instances leave the object lists and get no events, but keep their id;
// reactivated, they come last in their object's list.
TEST_F(InstanceTest, DeactivationTakesInstancesOutOfPlay) {
    const int rm = Room("rm");
    const int o = Object("obj");
    On(o, kEventStep, kStepNormal, SayVar("self.id"));
    Place(rm, o, 100001);
    Place(rm, o, 100002);
    Load();
    Start();
    EXPECT_EQ(Frames(1), "100001\n100002\n");
    Fn("instance_deactivate_object", {CValue(100001.0)});
    EXPECT_EQ(Frames(1), "100002\n");
    EXPECT_EQ(Fn("instance_number", {CValue(double(o))}).val, 1);
    ASSERT_NE(Game().world->Find(100001), nullptr);
    EXPECT_TRUE(Game().world->Find(100001)->deactivated);
    Fn("instance_activate_all");
    EXPECT_EQ(Frames(1), "100002\n100001\n");
    // notme keeps the caller active.
    Fn("instance_deactivate_all", {CValue(1.0)}, Game().world->Find(100002));
    EXPECT_EQ(Frames(1), "100002\n");
    EXPECT_EQ(Running().deactivated.count, 1);
}

TEST_F(InstanceTest, ObjectFunctions) {
    Room("rm");
    const int grand = Object("obj_grand");
    const int parent = Object("obj_parent", grand);
    const int child = Object("obj_child", parent);
    for (int i = 3; i < 10; ++i) Object("obj" + std::to_string(i));
    On(grand, kEventStep, kStepNormal, Say("grand step"));
    Load();
    Start();
    EXPECT_EQ(Fn("object_add").val, 10);
    EXPECT_EQ(Fn("object_add").val, 11);
    EXPECT_STREQ(Fn("object_get_name", {CValue(11.0)}).Text(), "__newobject11");
    EXPECT_EQ(Fn("object_get_visible", {CValue(11.0)}).val, 1);
    EXPECT_EQ(Fn("object_get_parent", {CValue(11.0)}).val, -1);
    EXPECT_EQ(Fn("object_get_depth", {CValue(55.0)}).val, -1);

    EXPECT_EQ(Fn("object_is_ancestor", {CValue(double(child)), CValue(double(grand))}).val, 1);
    EXPECT_EQ(Fn("object_is_ancestor", {CValue(double(grand)), CValue(double(child))}).val, 0);
    Fn("object_set_parent", {CValue(double(grand)), CValue(double(child))});
    EXPECT_NE(Game().error.last.find("Creating a cycle in the parent relation."), std::string::npos);
    Fn("object_set_parent", {CValue(double(grand)), CValue(70.0)});
    EXPECT_NE(Game().error.last.find("Setting a non-existing parent."), std::string::npos);

    // A new parent brings its events to the child's instances at the next phase.
    CInstance* i = Instance_Place(Running(), 0, 0, 11);
    EXPECT_EQ(Frames(1), "");
    Fn("object_set_parent", {CValue(11.0), CValue(double(grand))});
    EXPECT_EQ(Frames(1), "grand step\n");
    EXPECT_EQ(i->objectIndex, 11);

    EXPECT_EQ(Fn("object_delete", {CValue(11.0)}).val, 1);
    EXPECT_EQ(Fn("object_exists", {CValue(11.0)}).val, 0);
    EXPECT_EQ(Frames(1), "");  // the instance of a deleted object has no events left
    EXPECT_EQ(Fn("object_delete", {CValue(11.0)}).val, 0);
    EXPECT_NE(Game().error.last.find("Trying to delete non-existing object."), std::string::npos);
}

}  // namespace
