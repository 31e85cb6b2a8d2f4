#pragma once

// The engine's core collections. Arrays grow only when their owner calls
// SetLength; new entries are zero (null for the pointer arrays). All storage
// comes from the MemoryManager, so it shows in the memory totals.
//
// operator[] is unchecked, for the engine's own loops over known-good
// indices. Anything indexed by a number from game code goes through Get(),
// which gives a default (or null) for an index out of range.
//
// SetLength(n) gives false and changes nothing for n < 0 or a size the
// manager cannot hold.

#include <cstdint>
#include <list>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/memory.h"

namespace containers_detail {

template <typename T>
using Vector = std::vector<T, MemoryAllocator<T>>;

template <typename T>
bool LengthFits(int n) {
    return n >= 0 && static_cast<size_t>(n) <= MemoryManager::kMaxBlockSize / sizeof(T);
}

// Pointer arrays share the slot handling; the ownership rule is the Policy's.
template <typename T, typename Policy>
class PointerArray {
public:
    PointerArray() = default;
    ~PointerArray() { SetLength(0); }

    int Length() const { return static_cast<int>(m_items.size()); }

    bool SetLength(int n) {
        if (!LengthFits<T*>(n)) return false;
        const int old = Length();
        if (n == 0) {
            // Take the storage out first, so an element destructor that looks
            // back at this array finds it empty rather than half-freed.
            Vector<T*> doomed;
            doomed.swap(m_items);
            for (T* p : doomed) Policy::Dispose(p);
        } else if (n < old) {
            Vector<T*> tail(m_items.begin() + n, m_items.end());
            m_items.resize(static_cast<size_t>(n));
            for (T* p : tail) Policy::Dispose(p);
        } else {
            m_items.resize(static_cast<size_t>(n), nullptr);
        }
        return true;
    }

    T*& operator[](int i) { return m_items[static_cast<size_t>(i)]; }
    T* operator[](int i) const { return m_items[static_cast<size_t>(i)]; }

    T* Get(int i) const { return InRange(i) ? m_items[static_cast<size_t>(i)] : nullptr; }

    // Store p at i, disposing of what was there (unless it is p itself).
    bool Set(int i, T* p) {
        if (!InRange(i)) return false;
        T*& slot = m_items[static_cast<size_t>(i)];
        if (slot != p) {
            T* old = slot;
            slot = p;
            Policy::Dispose(old);
        }
        return true;
    }

    // Hand the entry at i back to the caller and leave null behind.
    T* Detach(int i) {
        if (!InRange(i)) return nullptr;
        return std::exchange(m_items[static_cast<size_t>(i)], nullptr);
    }

    // Dispose of the entry at i and leave null behind.
    void Delete(int i) { Policy::Dispose(Detach(i)); }

    T** Data() { return m_items.data(); }
    T* const* Data() const { return m_items.data(); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

protected:
    bool InRange(int i) const { return i >= 0 && i < Length(); }

    Vector<T*> m_items;
};

struct KeepPolicy {
    template <typename T>
    static void Dispose(T*) {}
};

struct ReleasePolicy {
    template <typename T>
    static void Dispose(T* p) {
        MemoryManager::Release(p);
    }
};

struct DeletePolicy {
    // Old code left this pattern in slots whose object had already been freed.
    static constexpr uintptr_t kFreed32 = 0xFEEEFEEEu;
    static constexpr uintptr_t kFreedWide = static_cast<uintptr_t>(0xFEEEFEEEFEEEFEEEull);

    template <typename T>
    static void Dispose(T* p) {
        const auto bits = reinterpret_cast<uintptr_t>(p);
        if (p == nullptr || bits == kFreed32 || bits == kFreedWide) return;
        delete p;
    }
};

}  // namespace containers_detail

// Plain values in one contiguous run. Shrinking to 0 frees the storage.
template <typename T>
class cARRAY_STRUCTURE {
public:
    int Length() const { return static_cast<int>(m_items.size()); }

    bool SetLength(int n) {
        if (!containers_detail::LengthFits<T>(n)) return false;
        if (n == 0) containers_detail::Vector<T>().swap(m_items);
        else m_items.resize(static_cast<size_t>(n));  // value-initialised: zero for plain data
        return true;
    }

    T& operator[](int i) { return m_items[static_cast<size_t>(i)]; }
    const T& operator[](int i) const { return m_items[static_cast<size_t>(i)]; }

    // Copy of entry i, or a default-constructed T when i is out of range.
    T Get(int i) const { return InRange(i) ? m_items[static_cast<size_t>(i)] : T{}; }
    // Address of entry i, or null when i is out of range.
    T* At(int i) { return InRange(i) ? &m_items[static_cast<size_t>(i)] : nullptr; }
    const T* At(int i) const { return InRange(i) ? &m_items[static_cast<size_t>(i)] : nullptr; }

    T* Data() { return m_items.data(); }
    const T* Data() const { return m_items.data(); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    bool InRange(int i) const { return i >= 0 && i < Length(); }

    containers_detail::Vector<T> m_items;
};

// Entries are MemoryManager blocks and belong to the array: dropping an entry
// (SetLength down or to 0, Set over it, Delete, destruction) releases it.
template <typename T>
class cARRAY_MEMORY : public containers_detail::PointerArray<T, containers_detail::ReleasePolicy> {
public:
    cARRAY_MEMORY() = default;
    cARRAY_MEMORY(const cARRAY_MEMORY&) = delete;
    cARRAY_MEMORY& operator=(const cARRAY_MEMORY&) = delete;
    cARRAY_MEMORY(cARRAY_MEMORY&& o) noexcept { this->m_items.swap(o.m_items); }
    cARRAY_MEMORY& operator=(cARRAY_MEMORY&& o) noexcept {
        if (this != &o) {
            this->SetLength(0);
            this->m_items.swap(o.m_items);
        }
        return *this;
    }
};

// Entries are objects made with new and belong to the array: dropping an
// entry deletes it. Null entries and the freed pattern 0xFEEEFEEE are skipped.
// To keep an object, Detach it first.
template <typename T>
class cARRAY_CLASS : public containers_detail::PointerArray<T, containers_detail::DeletePolicy> {
public:
    cARRAY_CLASS() = default;
    cARRAY_CLASS(const cARRAY_CLASS&) = delete;
    cARRAY_CLASS& operator=(const cARRAY_CLASS&) = delete;
    cARRAY_CLASS(cARRAY_CLASS&& o) noexcept { this->m_items.swap(o.m_items); }
    cARRAY_CLASS& operator=(cARRAY_CLASS&& o) noexcept {
        if (this != &o) {
            this->SetLength(0);
            this->m_items.swap(o.m_items);
        }
        return *this;
    }
};

// Object pointers the array only refers to; nothing is ever destroyed.
template <typename T>
class cARRAY_CLASS_NO_DELETE : public containers_detail::PointerArray<T, containers_detail::KeepPolicy> {};

// Doubly linked list of element pointers it does not own. Add puts the new
// element in front of the head; iteration runs head to tail.
template <typename T>
class SLinkedList {
public:
    void Add(T* element) { m_nodes.push_front(element); }

    // Unlink the first node (from the head) holding element.
    bool Remove(T* element) {
        for (auto it = m_nodes.begin(); it != m_nodes.end(); ++it) {
            if (*it == element) {
                m_nodes.erase(it);
                return true;
            }
        }
        return false;
    }

    bool Contains(const T* element) const {
        for (T* p : m_nodes)
            if (p == element) return true;
        return false;
    }

    void Clear() { m_nodes.clear(); }
    int Count() const { return static_cast<int>(m_nodes.size()); }
    T* First() const { return m_nodes.empty() ? nullptr : m_nodes.front(); }  // the head
    T* Last() const { return m_nodes.empty() ? nullptr : m_nodes.back(); }    // the tail

    auto begin() const { return m_nodes.begin(); }
    auto end() const { return m_nodes.end(); }

private:
    std::list<T*, MemoryAllocator<T*>> m_nodes;
};

// What happens to a value when its node goes.
enum eHashDelete : int {
    Hash_KeepValue = 0,     // node only
    Hash_DeleteObject = 1,  // delete the value object (ignored for Hash<void>)
    Hash_FreeBlock = 2,     // MemoryManager::Release the value block
};

// Chained map from a 32-bit key to a value pointer. The bucket count is a
// power of two fixed at construction; a key's bucket is key & mask. Duplicate
// keys are kept, in insertion order within their bucket.
template <typename T>
class Hash {
    struct Node {
        int32_t key;
        T* value;
    };
    using Bucket = std::list<Node, MemoryAllocator<Node>>;
    using Buckets = containers_detail::Vector<Bucket>;

public:
    static constexpr uint32_t kMaxBuckets = 1u << 20;

    // A count that is not a power of two is rounded up to one (1 .. kMaxBuckets).
    // onDestroy is what the destructor does with the values still inside.
    explicit Hash(uint32_t bucketCount = 128, eHashDelete onDestroy = Hash_KeepValue) : m_onDestroy(onDestroy) {
        uint32_t n = 1;
        while (n < bucketCount && n < kMaxBuckets) n <<= 1;
        m_buckets.resize(n);
        m_mask = n - 1;
    }
    ~Hash() { Clear(m_onDestroy); }

    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;
    Hash(Hash&& o) noexcept : m_mask(o.m_mask), m_count(o.m_count), m_onDestroy(o.m_onDestroy) {
        m_buckets.swap(o.m_buckets);
        // Leave the source a valid, empty one-bucket map.
        o.m_buckets.resize(1);
        o.m_mask = 0;
        o.m_count = 0;
    }
    Hash& operator=(Hash&& o) noexcept {
        if (this != &o) {
            Clear(m_onDestroy);
            m_buckets.swap(o.m_buckets);
            std::swap(m_mask, o.m_mask);
            std::swap(m_count, o.m_count);
            std::swap(m_onDestroy, o.m_onDestroy);
        }
        return *this;
    }

    void Insert(int32_t key, T* value) {
        BucketOf(key).push_back(Node{key, value});
        ++m_count;
    }

    // Value of the first node inserted with key; null when there is none.
    T* Find(int32_t key) const {
        for (const Node& n : BucketOf(key))
            if (n.key == key) return n.value;
        return nullptr;
    }

    bool Contains(int32_t key) const {
        for (const Node& n : BucketOf(key))
            if (n.key == key) return true;
        return false;
    }

    // Unlink the first node with key; mode says what becomes of its value.
    bool Delete(int32_t key, int mode) {
        Bucket& b = BucketOf(key);
        for (auto it = b.begin(); it != b.end(); ++it) {
            if (it->key == key) {
                T* value = it->value;
                b.erase(it);
                --m_count;
                Dispose(value, mode);
                return true;
            }
        }
        return false;
    }

    // Empty every bucket, last bucket first, each from head to tail.
    void Clear(int mode) {
        for (size_t i = m_buckets.size(); i-- > 0;) {
            Bucket doomed;
            doomed.swap(m_buckets[i]);
            m_count -= static_cast<int>(doomed.size());
            for (Node& n : doomed) Dispose(n.value, mode);
        }
    }

    int Count() const { return m_count; }
    uint32_t BucketCount() const { return m_mask + 1; }

    // Bucket 0 upward, each bucket head to tail; yields the value pointers.
    class Iterator {
    public:
        T* operator*() const { return m_node->value; }
        int32_t Key() const { return m_node->key; }
        Iterator& operator++() {
            ++m_node;
            Settle();
            return *this;
        }
        bool operator==(const Iterator& o) const {
            return m_bucket == o.m_bucket && (m_bucket == m_end || m_node == o.m_node);
        }

    private:
        friend class Hash;
        Iterator(const Buckets* buckets, size_t bucket) : m_buckets(buckets), m_bucket(bucket), m_end(buckets->size()) {
            if (m_bucket < m_end) {
                m_node = (*m_buckets)[m_bucket].begin();
                Settle();
            }
        }
        // Step over empty buckets until a node or the end.
        void Settle() {
            while (m_bucket < m_end && m_node == (*m_buckets)[m_bucket].end()) {
                if (++m_bucket < m_end) m_node = (*m_buckets)[m_bucket].begin();
            }
        }

        const Buckets* m_buckets;
        size_t m_bucket;
        size_t m_end;
        typename Bucket::const_iterator m_node{};
    };

    Iterator begin() const { return Iterator(&m_buckets, 0); }
    Iterator end() const { return Iterator(&m_buckets, m_buckets.size()); }

private:
    Bucket& BucketOf(int32_t key) { return m_buckets[static_cast<uint32_t>(key) & m_mask]; }
    const Bucket& BucketOf(int32_t key) const { return m_buckets[static_cast<uint32_t>(key) & m_mask]; }

    static void Dispose(T* value, int mode) {
        if (mode == Hash_DeleteObject) {
            if constexpr (!std::is_void_v<T>) delete value;
        } else if (mode == Hash_FreeBlock) {
            MemoryManager::Release(value);
        }
    }

    Buckets m_buckets;
    uint32_t m_mask = 0;
    int m_count = 0;
    eHashDelete m_onDestroy;
};
