#pragma once
// The live instance as the machine, the interpreter and the variables see it: the record
// with its fields and lists, the room's instance chains and the running room's world
// (the id map and the queries a `with` or a scope needs). The object layer, which knows
// objects, makes, changes and destroys instances and answers the object queries
// (object/instance.h).
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class CVariableList;
class CCode;
class CObject;
class CInstance;
class CInstanceList;
struct CPhysicsBody;

// One node of an object's instance list. The node lives inside the instance it
// names (an instance is in its own object's list once and in each ancestor's
// `instancesAll` once), so adding and removing never allocates.
struct CInstanceLink {
    CInstance* instance = nullptr;
    CInstanceLink* prev = nullptr;
    CInstanceLink* next = nullptr;
    CInstanceList* list = nullptr;  // the list holding the node, null when unlinked
    // Grows with every append anywhere, so it orders the nodes of one list as the list
    // does: the collision searches sort what the broad phase finds by it.
    uint64_t seq = 0;
};

// Head, tail and count of an object's instance list, in the order they were added.
class CInstanceList {
public:
    CInstanceList() = default;
    ~CInstanceList();  // detaches whatever is still linked
    CInstanceList(const CInstanceList&) = delete;
    CInstanceList& operator=(const CInstanceList&) = delete;

    void Append(CInstanceLink& link);
    static void Remove(CInstanceLink& link);  // a node in no list is left alone

    CInstanceLink* head = nullptr;
    CInstanceLink* tail = nullptr;
    int count = 0;
};

constexpr int kFirstInstanceId = 100000;
constexpr int kNoone = -4;

class CInstance {
public:
    // A detached instance: the object's fields are taken over when the object exists, but
    // the instance is in no list (the temporary self of room and library code, tests).
    CInstance(int id, int objectIndex);
    // Construction as the room does it: every default, the stamp from the counter, the
    // object set (with the object lists when `updateLists`), then position and id.
    CInstance(float x, float y, int id, int objectIndex, bool updateLists);
    virtual ~CInstance();  // leaves the object lists
    CInstance(const CInstance&) = delete;
    CInstance& operator=(const CInstance&) = delete;

    // Laid out for the frame's walks: the list links, flags and the fields every pass
    // reads share the first two cache lines.
    CInstance* next = nullptr;  // the room list (active or deactivated) holding the instance
    CInstance* prev = nullptr;
    CInstanceLink ownLink;  // node in the own object's list
    uint64_t creationStamp = 0;
    int id = 0;
    int objectIndex = 0;
    bool bboxDirty = true;
    bool visible = true;
    bool solid = false;
    bool persistent = false;
    bool marked = false;       // destroyed (through Instance_Destroy), removed at the draw phase
    bool deactivated = false;  // in the room's deactivated list (once resorted)
    bool placed = false;       // came in with the carried persistent instances
    bool created = false;      // the create event has been performed
    CObject* object = nullptr;
    std::unique_ptr<CVariableList> variables;
    float x = 0, y = 0;
    float xprevious = 0, yprevious = 0;
    float depth = 0;
    float imageIndex = 0;
    float imageSpeed = 1;
    int spriteIndex = -1;
    float pathPosition = 0, pathPositionPrevious = 0;
    bool timelineRunning = false;
    bool timelineLoop = false;
    bool precise = false;
    int timelineIndex = -1;
    float timelinePosition = 0;
    float timelineSpeed = 1;
    // The body in the room's physics world; the world owns it and clears this when it
    // goes first.
    CPhysicsBody* physicsBody = nullptr;

    float imageXScale = 1, imageYScale = 1;
    float imageAngle = 0;
    float imageAlpha = 1;
    uint32_t imageBlend = 0xFFFFFF;
    int maskIndex = -1;

    float xstart = 0, ystart = 0;
    float direction = 0;
    float speed = 0;
    float friction = 0;
    float gravityDirection = 270;
    float gravity = 0;
    float hspeed = 0, vspeed = 0;
    int bboxLeft = 0, bboxTop = 0, bboxRight = 0, bboxBottom = 0;
    int alarm[12];

    int pathIndex = -1;
    float pathSpeed = 0;
    float pathScale = 1;
    float pathOrientation = 0;
    int pathEndAction = 0;
    float pathXStart = 0, pathYStart = 0;

    // Placed instances: the creation code of the room record (owned by the room's
    // definition, which lives as long as the game).
    const CCode* creationCode = nullptr;

    // Nodes in instances_all of the object and each ancestor (sized when the lists are
    // joined).
    std::unique_ptr<CInstanceLink[]> allLinks;
    int allLinkCount = 0;

    // Where the broad phase has the instance filed (object/collision.cpp): the cell
    // range, its slot in the list of instances to file again, the last search that met
    // it, and its place in the active list as last numbered.
    int gridX0 = 0, gridY0 = 0, gridX1 = -1, gridY1 = -1;
    int gridPending = -1;
    uint8_t gridFiled = 0;
    uint32_t gridStamp = 0;
    uint32_t activeOrder = 0;

    bool InObjectLists() const { return ownLink.list != nullptr || allLinkCount > 0; }

private:
    void Clear();
};

// Grows whenever an instance enters or leaves any room list.
uint64_t Instance_ChainVersion();

// A room's list of instances, sorted by depth (smallest first; among equal depths the
// one inserted last comes last), doubly linked through the instances' next and prev.
// The list owns its instances.
class CInstanceChain {
public:
    CInstanceChain() = default;
    ~CInstanceChain() { Clear(); }
    CInstanceChain(const CInstanceChain&) = delete;
    CInstanceChain& operator=(const CInstanceChain&) = delete;

    // Before the first instance whose depth is strictly greater.
    CInstance* InsertByDepth(std::unique_ptr<CInstance> instance);
    CInstance* Append(std::unique_ptr<CInstance> instance);
    // Unlinks and hands the instance back to the caller.
    std::unique_ptr<CInstance> Take(CInstance* instance);
    void Clear();  // frees every instance

    CInstance* head = nullptr;
    CInstance* tail = nullptr;
    int count = 0;

private:
    void LinkBefore(CInstance* instance, CInstance* before);
};

// A room's instances as this layer sees the room: its active and deactivated lists
// (the room layer's CRoom is one).
struct CRoomInstances {
    CInstanceChain active;
    CInstanceChain deactivated;
};

// The running room's instances as the rest of the engine finds them: the id map, the
// active list (the running room's), the object lists, and the engine-wide counters.
struct CInstanceWorld {
    CRoomInstances* room = nullptr;  // the running room, not owned here
    std::unordered_map<int, CInstance*> ids;
    int lastId = kFirstInstanceId;  // the highest id handed out
    // Set when an instance is marked (Instance_Destroy, or a copy of a marked one): the
    // frame's removal walks the room only then.
    bool removalPending = false;

    CInstance* Find(int id) const {
        const auto it = ids.find(id);
        return it == ids.end() ? nullptr : it->second;
    }
    // Unmarked instances of an object's own list, in list order (the `with` and
    // variable-scope form: an object names its own instances).
    void OfObject(int objectIndex, std::vector<CInstance*>& out) const;
    // Unmarked instances of the object and its descendants (instances_all).
    void OfObjectAll(int objectIndex, std::vector<CInstance*>& out) const;
    // Unmarked instances of the active list, in order.
    void All(std::vector<CInstance*>& out) const;
    bool ObjectExists(int objectIndex) const;
    // The first unmarked instance of the object's own list, or of the active list.
    CInstance* FirstOfObject(int objectIndex) const;
    CInstance* FirstActive() const;
    CInstance* ActiveHead() const;

    // Forgets the running room and the id map (the room's owner frees the room).
    void Reset();
};
