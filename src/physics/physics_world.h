#pragma once
// The world record behind physics.h, shared by the files of this folder only.
#include <box2d/box2d.h>

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

class CInstance;
class CPhysicsWorld;

// An instance's body: the world owns it; the instance points to it.
struct CPhysicsBody {
    b2Body* body = nullptr;
    CInstance* instance = nullptr;
    int slot = -1;     // collision category slot, -1 none
    size_t index = 0;  // place in the world's body list
    CPhysicsWorld* world = nullptr;
};

struct TContactManifold {
    int pointCount = 0;
    b2Vec2 normal{0, 0};
    std::array<b2Vec2, b2_maxManifoldPoints> points{};
};

// One pair of fixtures that touched during the frame, with the manifold of each step.
struct TContactRecord {
    b2Fixture* a = nullptr;
    b2Fixture* b = nullptr;
    int manifoldCount = 0;
    std::array<TContactManifold, 8> manifolds;
};

struct TCategorySlot {
    int object = -1;
    uint16_t bits = 0;
    uint16_t mask = 0;
};

class CPhysicsWorld : public b2DestructionListener {
public:
    explicit CPhysicsWorld(double scale);
    ~CPhysicsWorld() override;
    CPhysicsWorld(const CPhysicsWorld&) = delete;
    CPhysicsWorld& operator=(const CPhysicsWorld&) = delete;

    void SayGoodbye(b2Joint* joint) override;
    void SayGoodbye(b2Fixture*) override {}

    CPhysicsBody* AddBody(b2Body* body, CInstance* instance, int slot);
    void RemoveBody(CPhysicsBody* record);
    // Destroys a joint, and first every gear joint built on it.
    void DestroyJoint(b2Joint* joint);

    // Records every touching contact of the world as it stands after a step.
    void RecordContacts();

    b2World world{b2Vec2(0.0f, 10.0f)};
    double scale = 0.1;
    int updateSpeed = 30;
    int iterations = 10;
    bool paused = false;
    std::vector<std::unique_ptr<CPhysicsBody>> bodies;
    // The frame's contacts as recorded, found by contact; the ones being delivered.
    std::vector<TContactRecord> contacts;
    std::unordered_map<b2Contact*, size_t> contactIndex;
    std::vector<TContactRecord> delivering;
    const TContactRecord* current = nullptr;
    std::array<TCategorySlot, 16> slots;
    std::unordered_map<int, b2Joint*> joints;
};

// Joint ids are kept in the joint's user data.
inline int Joint_Id(b2Joint* joint) { return int(joint->GetUserData().pointer); }
inline CPhysicsBody* Body_Record(b2Body* body) { return reinterpret_cast<CPhysicsBody*>(body->GetUserData().pointer); }
