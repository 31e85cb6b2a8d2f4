#include "object/instance.h"

#include "variable/variable_list.h"

CInstance::CInstance(int id_, int objectIndex_)
    : id(id_), objectIndex(objectIndex_), variables(std::make_unique<CVariableList>()) {}

CInstance::~CInstance() = default;

CInstance* CInstanceWorld::Find(int id) const {
    for (CInstance* inst : active)
        if (inst->id == id) return inst;
    return nullptr;
}

void CInstanceWorld::OfObject(int objectIndex, std::vector<CInstance*>& out) const {
    out.clear();
    for (CInstance* inst : active)
        if (inst->objectIndex == objectIndex && !inst->marked) out.push_back(inst);
}

void CInstanceWorld::All(std::vector<CInstance*>& out) const {
    out.clear();
    for (CInstance* inst : active)
        if (!inst->marked) out.push_back(inst);
}

CInstanceWorld& Instance_World() {
    static CInstanceWorld world;
    return world;
}
