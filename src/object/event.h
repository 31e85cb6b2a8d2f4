#pragma once
#include <memory>

#include "vm/code.h"

// One event of an object, or one time line moment.
class CEvent {
public:
    std::unique_ptr<CCode> code;
};

constexpr int kEventTypeCount = 12;
