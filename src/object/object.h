#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "object/event.h"

class CObject {
public:
    enum Flags { kSolid = 1, kVisible = 2, kPersistent = 4 };

    int index = -1;
    std::string name;
    int spriteIndex = -1;
    int maskIndex = -1;
    int depth = 0;
    unsigned flags = 0;
    int parentIndex = -100;  // as stored; see `parent`
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

    bool Solid() const { return flags & kSolid; }
    bool Visible() const { return flags & kVisible; }
    bool Persistent() const { return flags & kPersistent; }
};
