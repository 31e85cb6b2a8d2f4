#include "platform/stack.h"

#include <pthread.h>

#include <cstdint>

namespace {

// The lowest usable address of this thread's stack, found once per thread.
uintptr_t StackLow() {
    thread_local uintptr_t low = [] {
        uintptr_t found = 0;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* addr = nullptr;
            size_t size = 0;
            if (pthread_attr_getstack(&attr, &addr, &size) == 0) found = uintptr_t(addr);
            size_t guard = 0;
            if (pthread_attr_getguardsize(&attr, &guard) == 0) found += guard;
            pthread_attr_destroy(&attr);
        }
        return found;
    }();
    return low;
}

}  // namespace

size_t Stack_Remaining() {
    const uintptr_t low = StackLow();
    const uintptr_t here = uintptr_t(__builtin_frame_address(0));
    if (low == 0) return SIZE_MAX;  // unknown: only the depth counts then
    return here > low ? size_t(here - low) : 0;
}

// What one more nesting level may still need below the point where it checks, with room
// for the error report. Sanitizer builds' frames are several times larger.
#if defined(__SANITIZE_ADDRESS__)
#define ZORVEX_STACK_RESERVE (2u << 20)
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZORVEX_STACK_RESERVE (2u << 20)
#endif
#endif
#ifndef ZORVEX_STACK_RESERVE
#define ZORVEX_STACK_RESERVE (512u << 10)
#endif

bool Stack_IsLow() { return Stack_Remaining() < ZORVEX_STACK_RESERVE; }
