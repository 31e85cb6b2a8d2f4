#include "vm/item.h"

const char* VM_TypeSuffix(uint32_t type) {
    switch (type) {
    case eVM_Double: return ".d";
    case eVM_Float: return ".f";
    case eVM_Int: return ".i";
    case eVM_Long: return ".l";
    case eVM_Bool: return ".b";
    case eVM_Variable: return ".v";
    case eVM_String: return ".s";
    // 7..14 name no type, like the error type; a listing shows them all the same way.
    default: return ".e";
    }
}

VMSlot VMSlot::FromValue(const CValue& v) {
    VMSlot s{eVM_Variable, v.kind, nullptr, {}};
    s.l = 0;
    if (v.kind == CValue::kString) {
        s.str = Text_Duplicate(v.str);
    } else {
        // A malformed kind is carried as it is, so the operation that meets it says so.
        s.d = v.val;
    }
    return s;
}

VMSlot VMSlot::FromValueMove(CValue& v) {
    VMSlot s{eVM_Variable, v.kind, nullptr, {}};
    s.l = 0;
    if (v.kind == CValue::kString) {
        s.str = v.str;
        v.str = nullptr;
    } else {
        s.d = v.val;
    }
    v.Release();
    return s;
}

void VMSlot::MoveToValue(CValue& out) {
    switch (type) {
    case eVM_Double: out.SetReal(d); break;
    case eVM_Float: out.SetReal(static_cast<double>(f)); break;
    case eVM_Int: out.SetReal(static_cast<double>(i)); break;
    case eVM_Long: out.SetReal(static_cast<double>(l)); break;
    case eVM_Bool: out.SetReal(Truth() ? 1.0 : 0.0); break;
    case eVM_String:
        out.TakeString(str);
        str = nullptr;
        break;
    case eVM_Variable:
        if (kind == CValue::kString) {
            out.TakeString(str);
            str = nullptr;
        } else {
            out.SetReal(d);
            out.kind = kind;  // a malformed kind stays visible to whoever reads it
        }
        break;
    default: out.SetReal(0.0); break;
    }
    Release();
}
