#include "vm/code.h"

CCode* CCode::FromIndex(int index, const std::string& name) {
    auto* code = new CCode;
    code->index = index;
    code->compiled = index >= 0;
    code->name = name;
    return code;
}

CCode* CCode::FromSource(const std::string& source, const std::string& name) {
    auto* code = new CCode;
    code->source = source;
    code->name = name;
    return code;
}
