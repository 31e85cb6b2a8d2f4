#pragma once
#include <memory>
#include <string>

#include "vm/code.h"

class CScript {
public:
    std::string name;
    std::unique_ptr<CCode> code;
};
