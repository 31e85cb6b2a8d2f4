#include "value/args.h"

std::string_view Arg_TextForm(int argc, const CValue* args, int i, std::string& number) {
    const CValue& v = Arg_Value(argc, args, i);
    if (v.IsString()) return v.Text();
    number = Real_ToStringForm(v.val);
    return number;
}

std::string Arg_TextFormCopy(int argc, const CValue* args, int i) {
    const CValue& v = Arg_Value(argc, args, i);
    return v.IsString() ? std::string(v.Text()) : Real_ToStringForm(v.val);
}
