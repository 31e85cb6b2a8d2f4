#pragma once

// The engine's one heap front end. Every block we hand out sits behind a
// 16-byte header (four 32-bit words: size, 0xDEADC0DE, 0xBAADB00B, 0), so the
// caller's address stays 16-byte aligned on both 32- and 64-bit builds, and
// Release can tell our blocks from the C library's.
//
// Blocks are limited to MemoryManager::kMaxBlockSize bytes because the size
// lives in a 32-bit word whose top bit is reserved. Requests above that give
// null instead of a truncated block.

#include <cstddef>
#include <cstdint>

struct MemoryCounters {
    uint32_t totals[3];  // byte totals; all three move together, the profiler marks them separately
    uint32_t blocks;     // live blocks

    bool operator==(const MemoryCounters&) const = default;
};

class MemoryManager {
public:
    static constexpr uint32_t kMarker1 = 0xDEADC0DEu;
    static constexpr uint32_t kMarker2 = 0xBAADB00Bu;
    static constexpr size_t kHeaderSize = 16;
    static constexpr size_t kMaxBlockSize = 0x7FFFFFFFu - kHeaderSize;

    // size 0 (or above kMaxBlockSize, or a failed heap request) gives null and
    // leaves the counters alone. file/line name the caller; they are accepted
    // and not kept.
    static void* Allocate(size_t size, const char* file, int line, bool clear);

    // null is ignored. A block of ours is counted out and freed header and all.
    // Anything else goes straight to free(), so it MUST have come from
    // malloc/calloc/realloc: we peek at the 16 bytes in front of it to look for
    // the markers, which is only safe inside a C heap chunk.
    static void Release(void* ptr);

    // null -> fresh zero-filled block; same size -> same pointer; 0 -> released,
    // null; otherwise a fresh zero-filled block with min(old, new) bytes copied
    // and the old block released, so the address always changes on a resize.
    // If the new block cannot be had, gives null and the old block is untouched.
    // A non-null pointer without our markers is a fatal internal error: it is
    // reported on stderr and the process aborts.
    static void* Reallocate(void* ptr, size_t newSize, const char* file, int line);

    // Reallocate and store the result back. Gives false (and leaves *pptr as it
    // was) when pptr is null or the new block cannot be had; true otherwise,
    // including newSize 0, which stores null.
    static bool ReallocateInPlace(void** pptr, size_t newSize, const char* file, int line);

    template <typename T>
    static bool ReallocateInPlace(T*& ref, size_t newSize, const char* file, int line) {
        void* p = Reallocate(ref, newSize, file, line);
        if (p == nullptr && newSize != 0) return false;
        ref = static_cast<T*>(p);
        return true;
    }

    // Requested size of one of our blocks; 0 for null and for pointers without
    // our markers (a foreign pointer has no size we could know).
    static size_t SizeOf(const void* ptr);

    static MemoryCounters Counters();
    static uint32_t Total(int which);  // which in 0..2, otherwise 0
    static uint32_t BlockCount();

    // The first byte total, for the "Total memory used = %d(0x%08lx) bytes\n"
    // line: pass it as (int)t, (unsigned long)t.
    static uint32_t TotalUsed();
};

// Every call names its source file and line.
#define MemoryManager_Alloc(size) MemoryManager::Allocate((size), __FILE__, __LINE__, true)
#define MemoryManager_AllocNoClear(size) MemoryManager::Allocate((size), __FILE__, __LINE__, false)
#define MemoryManager_Realloc(ptr, size) MemoryManager::Reallocate((ptr), (size), __FILE__, __LINE__)
#define MemoryManager_ReallocInPlace(ref, size) MemoryManager::ReallocateInPlace((ref), (size), __FILE__, __LINE__)
#define MemoryManager_Free(ptr) MemoryManager::Release(ptr)

// Standard-library allocator over the manager, so the container templates'
// storage shows up in the same totals as everything else. Callers size-check
// before growing; a heap that is really exhausted ends the process, since the
// standard containers have no other way to report it without exceptions.
[[noreturn]] void MemoryManager_OutOfMemory(size_t bytes);

template <typename T>
struct MemoryAllocator {
    using value_type = T;
    static_assert(alignof(T) <= MemoryManager::kHeaderSize, "blocks are only 16-byte aligned");

    MemoryAllocator() noexcept = default;
    template <typename U>
    MemoryAllocator(const MemoryAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        if (n == 0) return nullptr;
        if (n > max_size()) MemoryManager_OutOfMemory(n);
        void* p = MemoryManager::Allocate(n * sizeof(T), __FILE__, __LINE__, false);
        if (p == nullptr) MemoryManager_OutOfMemory(n * sizeof(T));
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) noexcept { MemoryManager::Release(p); }

    size_t max_size() const noexcept { return MemoryManager::kMaxBlockSize / sizeof(T); }

    template <typename U>
    bool operator==(const MemoryAllocator<U>&) const noexcept {
        return true;
    }
};
