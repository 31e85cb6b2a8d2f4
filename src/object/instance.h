#pragma once
// A live instance of an object. The machine and the variable scopes see only what is
// here; the game loop adds the rest of an instance's fields.
#include <memory>
#include <vector>

class CVariableList;

class CInstance {
public:
    CInstance(int id, int objectIndex);
    ~CInstance();
    CInstance(const CInstance&) = delete;
    CInstance& operator=(const CInstance&) = delete;

    int id;
    int objectIndex;
    bool marked = false;  // destroyed, removed at the end of the step
    std::unique_ptr<CVariableList> variables;
};

// The running room's instances, as the scopes and `with` iterate them.
// Active list order is the room's depth order; an object's list is its instances.
struct CInstanceWorld {
    std::vector<CInstance*> active;  // not owned here
    CInstance* Find(int id) const;
    // Unmarked instances of an object (object index), in list order.
    void OfObject(int objectIndex, std::vector<CInstance*>& out) const;
    // Unmarked instances of the active list, in order.
    void All(std::vector<CInstance*>& out) const;
    // Which object indices name an object (set when the game starts).
    std::vector<bool> objects;
    bool ObjectExists(int objectIndex) const {
        return objectIndex >= 0 && size_t(objectIndex) < objects.size() && objects[objectIndex];
    }
};

CInstanceWorld& Instance_World();
