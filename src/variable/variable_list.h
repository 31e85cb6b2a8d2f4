#pragma once
// The variables of one scope: an instance, the global scope or one activation's locals.
//
// A variable is a scalar and a two-dimensional array at once. An array index i names
// row i / 32000 and column i % 32000 (truncating, so a negative index gives a negative
// row or column, which is refused). Index 0 is the plain value itself: a, a[0] and a[0,0]
// share storage, and element (0,0) of the row storage is never used.
//
// Nodes live in 64 hash chains (bucket = id mod 64); a new node goes to the head of its
// chain and to the end of the creation chain. Nodes are never removed one by one: a list
// is emptied whole, and its nodes are parked on one engine-wide free list for reuse.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "value/value.h"

class CStream;

constexpr int kVariableBuckets = 64;
constexpr int32_t kArrayRowStride = 32000;

struct CVariableRow {
    std::vector<CValue, MemoryAllocator<CValue>> elements;
};

class CVariable {
public:
    std::unique_ptr<CVariable> next;     // next in the same bucket (owned along the chain)
    CVariable* previousAdded = nullptr;  // created just before this one in the same list
    int32_t id = 0;
    CValue value;  // also array element 0
    std::vector<CVariableRow, MemoryAllocator<CVariableRow>> rows;

    int32_t RowCount() const { return static_cast<int32_t>(rows.size()); }
};

class CVariableList {
public:
    CVariableList() = default;
    virtual ~CVariableList();
    CVariableList(const CVariableList&) = delete;
    CVariableList& operator=(const CVariableList&) = delete;

    // The node for id, or null. Inline: the machine's variable access runs through it.
    CVariable* Find(int32_t id) const {
        for (CVariable* node = buckets_[id & (kVariableBuckets - 1)].get(); node; node = node->next.get())
            if (node->id == id) return node;
        return nullptr;
    }
    // The node for id, created (real 0, no rows) when the list has none.
    CVariable* FindOrAdd(int32_t id);

    // Reads element `index` of variable id into result. A missing variable reads as the
    // real 0 while unset variables are zero, and fails otherwise; an index outside the
    // stored rows fails with the array index error flag raised and the real 0 in result.
    bool Get(int32_t id, int32_t index, CValue& result) const;
    // Stores value at element `index`, growing rows and columns with real zeros.
    // A negative row or column raises the array index error flag and stores nothing.
    bool Set(int32_t id, int32_t index, const CValue& value);

    // Parks every node on the free list.
    void Clear();
    // Replaces this list's content with a deep copy of source (texts and rows included),
    // keeping the source's bucket and creation order.
    void CopyFrom(const CVariableList& source);

    // Version 442 form: nodes in bucket order, each chain from its head.
    bool WriteToStream(CStream& stream) const;
    // Replaces the content with a list read from the stream (versions 440, 441, 442).
    // Read nodes are linked as if newly created, so each bucket comes back reversed.
    // On a bad or truncated stream gives false and leaves the list as it was.
    bool ReadFromStream(CStream& stream);

    // One line per node, in bucket order (the form error reports and the debugger show).
    std::string Dump() const;

    int32_t Count() const { return count_; }
    CVariable* LastAdded() const { return lastAdded_; }
    CVariable* BucketHead(int bucket) const {
        return bucket >= 0 && bucket < kVariableBuckets ? buckets_[bucket].get() : nullptr;
    }

    // Exchanges content with another list.
    void Swap(CVariableList& other) noexcept;

private:
    CVariable* Link(std::unique_ptr<CVariable> node);

    std::unique_ptr<CVariable> buckets_[kVariableBuckets];
    CVariable* lastAdded_ = nullptr;
    int32_t count_ = 0;
};

// The bucket of an id (remainder taken as non-negative).
inline int Variable_Bucket(int32_t id) {
    const int r = id % kVariableBuckets;
    return r < 0 ? r + kVariableBuckets : r;
}

// The dump text of one node ("name = value" or the array form), without a line end.
std::string Variable_DumpNode(const CVariable& node);

// Whether reading a variable that was never written gives the real 0 (true) or fails.
// The runner sets it from the game's options; true until then.
void Variable_SetUnsetIsZero(bool zero);
bool Variable_UnsetIsZero();

// Nodes parked on the engine-wide free list.
int Variable_FreeNodeCount();
