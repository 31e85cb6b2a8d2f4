// Debug output for game code. show_debug_message is the only thing in the engine
// that writes to stdout, so tools driving the runner can read its output as is.
#include "function/function_debug.h"

#include <cstdio>
#include <iterator>
#include <string>

#include "value/args.h"

namespace {

// show_debug_message(value): the value's text (a real as the `string` built-in
// forms it) and a line feed, flushed at once so the line survives a crash.
void F_ShowDebugMessage(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (Arg_Find(argc, args, 0) != nullptr) {
        std::string number;
        const std::string_view text = Arg_TextForm(argc, args, 0, number);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

extern const FunctionImpl kDebugFunctions[] = {
    {"show_debug_message", F_ShowDebugMessage},
};
extern const size_t kDebugFunctionCount = std::size(kDebugFunctions);
