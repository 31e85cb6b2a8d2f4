#include "platform/memory.h"

#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/resident_size.h"

namespace {

struct BlockHeader {
    uint32_t size;
    uint32_t marker1;
    uint32_t marker2;
    uint32_t zero;
};
static_assert(sizeof(BlockHeader) == MemoryManager::kHeaderSize, "the header is four 32-bit words");

// Atomic only so a helper thread that allocates cannot tear a total; the
// engine itself is single-threaded and nothing orders on these. The three
// totals always move together, so one counter stands for all of them: two
// atomic updates per block instead of four.
std::atomic<uint32_t> g_total;
std::atomic<uint32_t> g_blocks;

void CountIn(uint32_t size) {
    g_total.fetch_add(size, std::memory_order_relaxed);
    g_blocks.fetch_add(1, std::memory_order_relaxed);
}

void CountOut(uint32_t size) {
    g_total.fetch_sub(size, std::memory_order_relaxed);
    g_blocks.fetch_sub(1, std::memory_order_relaxed);
}

BlockHeader* HeaderOf(const void* ptr) {
    return reinterpret_cast<BlockHeader*>(static_cast<char*>(const_cast<void*>(ptr)) - sizeof(BlockHeader));
}

// A foreign pointer's 16 leading bytes belong to the C heap's own chunk
// header: mapped, but poisoned for the address sanitizer. Reading them is the
// whole point here, so this one function is left uninstrumented (and kept out
// of line so it cannot be inlined into an instrumented caller).
__attribute__((no_sanitize_address, noinline)) bool HasMarkers(const void* ptr) {
    const volatile uint32_t* words = reinterpret_cast<const volatile uint32_t*>(HeaderOf(ptr));
    return words[1] == MemoryManager::kMarker1 && words[2] == MemoryManager::kMarker2;
}

}  // namespace

void* MemoryManager::Allocate(size_t size, const char* /*file*/, int /*line*/, bool clear) {
    if (size == 0 || size > kMaxBlockSize) return nullptr;
    void* base = clear ? std::calloc(1, sizeof(BlockHeader) + size) : std::malloc(sizeof(BlockHeader) + size);
    if (base == nullptr) return nullptr;

    auto* header = static_cast<BlockHeader*>(base);
    header->size = static_cast<uint32_t>(size);
    header->marker1 = kMarker1;
    header->marker2 = kMarker2;
    header->zero = 0;
    CountIn(header->size);
    return header + 1;
}

void MemoryManager::Release(void* ptr) {
    if (ptr == nullptr) return;
    if (!HasMarkers(ptr)) {
        std::free(ptr);
        return;
    }
    BlockHeader* header = HeaderOf(ptr);
    CountOut(header->size & 0x7FFFFFFFu);
    // Wipe the markers so a stale copy of this pointer is not taken for a live
    // block by a later Reallocate.
    header->marker1 = 0;
    header->marker2 = 0;
    std::free(header);
}

void* MemoryManager::Reallocate(void* ptr, size_t newSize, const char* file, int line) {
    if (ptr == nullptr) return Allocate(newSize, file, line, true);
    if (!HasMarkers(ptr)) {
        std::fprintf(stderr, "MemoryManager: Reallocate of %p, which has no block header (%s:%d)\n", ptr,
                     file != nullptr ? file : "?", line);
        std::abort();
    }
    const size_t oldSize = SizeOf(ptr);
    if (newSize == oldSize) return ptr;
    if (newSize == 0) {
        Release(ptr);
        return nullptr;
    }
    void* fresh = Allocate(newSize, file, line, true);
    if (fresh == nullptr) return nullptr;
    std::memcpy(fresh, ptr, oldSize < newSize ? oldSize : newSize);
    Release(ptr);
    return fresh;
}

bool MemoryManager::ReallocateInPlace(void** pptr, size_t newSize, const char* file, int line) {
    if (pptr == nullptr) return false;
    void* p = Reallocate(*pptr, newSize, file, line);
    if (p == nullptr && newSize != 0) return false;
    *pptr = p;
    return true;
}

size_t MemoryManager::SizeOf(const void* ptr) {
    if (ptr == nullptr || !HasMarkers(ptr)) return 0;
    return HeaderOf(ptr)->size & 0x7FFFFFFFu;
}

MemoryCounters MemoryManager::Counters() {
    MemoryCounters c{};
    const uint32_t total = g_total.load(std::memory_order_relaxed);
    for (uint32_t& t : c.totals) t = total;
    c.blocks = g_blocks.load(std::memory_order_relaxed);
    return c;
}

uint32_t MemoryManager::Total(int which) {
    if (which < 0 || which >= 3) return 0;
    return g_total.load(std::memory_order_relaxed);
}

uint32_t MemoryManager::BlockCount() { return g_blocks.load(std::memory_order_relaxed); }

uint32_t MemoryManager::TotalUsed() { return Total(0); }

size_t Memory_ResidentBytes() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long total = 0, resident = 0;
    const bool ok = std::fscanf(f, "%lu %lu", &total, &resident) == 2;
    std::fclose(f);
    return ok ? size_t(resident) * size_t(sysconf(_SC_PAGESIZE)) : 0;
}

size_t Memory_MallocInUse() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks;
#else
    return 0;
#endif
}

void MemoryManager_OutOfMemory(size_t bytes) {
    std::fprintf(stderr, "MemoryManager: out of memory (%zu bytes requested)\n", bytes);
    std::abort();
}
