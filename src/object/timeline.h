#pragma once
#include <memory>
#include <string>
#include <vector>

#include "object/event.h"

class CTimeLine {
public:
    struct Moment {
        int step = 0;
        std::unique_ptr<CEvent> event;
    };
    std::string name;
    std::vector<Moment> moments;
};
