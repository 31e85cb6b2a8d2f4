#include "function/picture_options.h"

namespace {
bool Bool(int argc, const CValue* args, int i) { return i < argc && Real_IsTrue(args[i].val); }
}  // namespace

CPictureOptions PictureOptions_Short(int argc, const CValue* args, int at) {
    CPictureOptions o;
    o.removeBackground = Bool(argc, args, at);
    o.smooth = Bool(argc, args, at + 1);
    return o;
}

CPictureOptions PictureOptions_Long(int argc, const CValue* args, int at) {
    CPictureOptions o;
    o.precise = Bool(argc, args, at);
    o.transparent = o.removeBackground = Bool(argc, args, at + 1);
    o.smooth = Bool(argc, args, at + 2);
    o.preload = Bool(argc, args, at + 3);
    return o;
}
