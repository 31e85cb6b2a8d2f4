#include "function/picture_options.h"

#include "value/args.h"

CPictureOptions PictureOptions_Short(int argc, const CValue* args, int at) {
    CPictureOptions o;
    o.removeBackground = Arg_Bool(argc, args, at);
    o.smooth = Arg_Bool(argc, args, at + 1);
    return o;
}

CPictureOptions PictureOptions_Long(int argc, const CValue* args, int at) {
    CPictureOptions o;
    o.precise = Arg_Bool(argc, args, at);
    o.transparent = o.removeBackground = Arg_Bool(argc, args, at + 1);
    o.smooth = Arg_Bool(argc, args, at + 2);
    o.preload = Arg_Bool(argc, args, at + 3);
    return o;
}
