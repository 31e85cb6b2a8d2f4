#pragma once
// The six kinds of data structure game code keeps by id, and their id tables.
// Every kind can write itself to a string and read itself back; the binary kinds
// write a stream as hex, the map writes a text of its own.
//
// Reading a string is reading input from anywhere: each Read parses into a fresh
// structure, checks every count against what is left, and only replaces the
// content once the whole string has parsed. A failed read changes nothing.
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "data/game.h"
#include "ds/ds_value.h"
#include "platform/containers.h"

// ---------------------------------------------------------------------------
// Stack: the top is the last element.
class CDS_Stack {
public:
    static constexpr int32_t kStreamId = 101;
    CDS_Stack() = default;
    virtual ~CDS_Stack() = default;
    // Copies are deep (texts duplicated), as for every kind: ds_*_copy is assignment.
    CDS_Stack(const CDS_Stack&) = default;
    CDS_Stack& operator=(const CDS_Stack&) = default;
    CDS_Stack(CDS_Stack&&) noexcept = default;
    CDS_Stack& operator=(CDS_Stack&&) noexcept = default;

    void Clear() { items_.clear(); }
    int Size() const { return static_cast<int>(items_.size()); }
    void Push(const DSValue& value) { items_.push_back(value); }
    // Takes the top into `out`; false (out untouched) when empty.
    bool Pop(CValue& out);
    const DSValue* Top() const { return items_.empty() ? nullptr : &items_.back(); }
    const DSValueArray& Items() const { return items_; }  // bottom to top

    // 101, count, the values bottom to top.
    std::string Write() const;
    bool Read(std::string_view text);

private:
    DSValueArray items_;
};

// ---------------------------------------------------------------------------
// Queue: the slots [start, end) hold the queue. The array's whole capacity is
// part of the string form, so it grows in steps of 16 exactly as it always has.
class CDS_Queue {
public:
    static constexpr int32_t kStreamId = 201;
    static constexpr int kGrowBy = 16;
    CDS_Queue() = default;
    virtual ~CDS_Queue() = default;
    CDS_Queue(const CDS_Queue&) = default;
    CDS_Queue& operator=(const CDS_Queue&) = default;
    CDS_Queue(CDS_Queue&&) noexcept = default;
    CDS_Queue& operator=(CDS_Queue&&) noexcept = default;

    void Clear();
    int Size() const { return end_ - start_; }
    void Enqueue(const DSValue& value);
    // Takes the head into `out`; false when empty. Once the head has moved 17 or
    // more slots and past half of `end`, the rest moves back to the front.
    bool Dequeue(CValue& out);
    const DSValue* Head() const { return Size() > 0 ? &slots_[static_cast<size_t>(start_)] : nullptr; }
    const DSValue* Tail() const { return Size() > 0 ? &slots_[static_cast<size_t>(end_ - 1)] : nullptr; }
    int Start() const { return start_; }
    int End() const { return end_; }
    int Capacity() const { return static_cast<int>(slots_.size()); }

    // 201, end, start, capacity, then every slot of the array, used or not.
    std::string Write() const;
    bool Read(std::string_view text);

private:
    DSValueArray slots_;  // its size is the capacity; slots outside [start, end) are the real 0
    int start_ = 0;
    int end_ = 0;
};

// ---------------------------------------------------------------------------
class CDS_List {
public:
    static constexpr int32_t kStreamId = 301;
    CDS_List() = default;
    virtual ~CDS_List() = default;
    CDS_List(const CDS_List&) = default;
    CDS_List& operator=(const CDS_List&) = default;
    CDS_List(CDS_List&&) noexcept = default;
    CDS_List& operator=(CDS_List&&) noexcept = default;

    void Clear() { items_.clear(); }
    int Size() const { return static_cast<int>(items_.size()); }
    void Add(const DSValue& value) { items_.push_back(value); }
    // Before pos, for 0 <= pos <= size; otherwise nothing.
    bool Insert(int pos, const DSValue& value);
    // For 0 <= pos < size; otherwise nothing.
    bool Replace(int pos, const DSValue& value);
    bool Delete(int pos);
    // The first index whose element compares equal, else -1.
    int FindIndex(const DSValue& value) const;
    const DSValue* At(int pos) const { return pos >= 0 && pos < Size() ? &items_[static_cast<size_t>(pos)] : nullptr; }
    // Insertion sort by the comparison rule (the rule need not be a strict order,
    // so this exact algorithm is what games see).
    void Sort(bool ascending);
    // size x 8 swaps of two independently drawn indices.
    void Shuffle();
    const DSValueArray& Items() const { return items_; }

    // 301, count, the values in order.
    std::string Write() const;
    bool Read(std::string_view text);

private:
    DSValueArray items_;
};

// ---------------------------------------------------------------------------
// Map: 4096 buckets by key hash; a bucket keeps its nodes in insertion order, and
// iteration runs bucket 0 to 4095. Two keys are the same key only when kind and
// bytes are equal: the hash alone picks the bucket, it does not decide identity,
// so keys whose CRCs collide keep their own values.
class CDS_Map {
public:
    static constexpr uint32_t kBuckets = 4096;
    CDS_Map() = default;
    virtual ~CDS_Map() = default;
    CDS_Map(const CDS_Map&) = default;
    CDS_Map& operator=(const CDS_Map&) = default;
    CDS_Map(CDS_Map&&) noexcept = default;
    CDS_Map& operator=(CDS_Map&&) noexcept = default;

    void Clear();
    int Size() const { return count_; }
    // Adds and gives true when the key is absent; false and nothing when present.
    bool Add(const DSValue& key, const DSValue& value);
    // Sets and gives true when present; otherwise adds and gives false.
    bool Replace(const DSValue& key, const DSValue& value);
    bool Delete(const DSValue& key);
    bool Exists(const DSValue& key) const { return Find(key) != nullptr; }
    const DSValue* Find(const DSValue& key) const;
    // Keys in iteration order; null when there is none.
    const DSValue* First() const;
    const DSValue* Last() const;
    const DSValue* Next(const DSValue& key) const;
    const DSValue* Previous(const DSValue& key) const;

    // Text form: per entry "T:KEY:VALUE", entries joined by ",". T is
    // (value is a string ? 2 : 0) + (key is a string ? 1 : 0); a text is hex of its
    // bytes, a real the hex of its 8 bytes from the most significant, stopping when
    // the rest are zero (1.0 is "3FF0", 0.0 is "").
    std::string Write() const;
    // Calls f(key, value) for every entry in iteration order.
    template <typename F>
    void ForEach(F&& f) const {
        for (const Chain& chain : buckets_)
            for (const Node& node : chain) f(node.key, node.value);
    }
    // Replaces the content with the entries of the text ("" gives an empty map).
    // Each entry is appended under its hash, so a key given twice is held twice,
    // the first one found. False for a malformed text.
    bool Read(std::string_view text);

private:
    struct Node {
        uint32_t hash;
        DSValue key;
        DSValue value;
    };
    using Chain = std::vector<Node, MemoryAllocator<Node>>;

    void Append(uint32_t hash, const DSValue& key, const DSValue& value);
    // Bucket and position of the first node holding this key, or false.
    bool Locate(const DSValue& key, uint32_t& bucket, size_t& index) const;

    // Empty until the first insertion, then kBuckets chains.
    std::vector<Chain, MemoryAllocator<Chain>> buckets_;
    int count_ = 0;
};

// ---------------------------------------------------------------------------
// Priority queue: values and their priorities in insertion order.
class CDS_Priority {
public:
    static constexpr int32_t kStreamId = 501;
    CDS_Priority() = default;
    virtual ~CDS_Priority() = default;
    CDS_Priority(const CDS_Priority&) = default;
    CDS_Priority& operator=(const CDS_Priority&) = default;
    CDS_Priority(CDS_Priority&&) noexcept = default;
    CDS_Priority& operator=(CDS_Priority&&) noexcept = default;

    void Clear() {
        values_.clear();
        priorities_.clear();
    }
    int Size() const { return static_cast<int>(values_.size()); }
    void Add(const DSValue& value, const DSValue& priority);
    // Act on the first value that compares equal.
    bool ChangePriority(const DSValue& value, const DSValue& priority);
    const DSValue* FindPriority(const DSValue& value) const;
    // Removes the pair keeping the order of the rest.
    bool DeleteValue(const DSValue& value);
    // The index of the first smallest / largest priority, -1 when empty.
    int MinIndex() const;
    int MaxIndex() const;
    const DSValue* ValueAt(int i) const { return i >= 0 && i < Size() ? &values_[static_cast<size_t>(i)] : nullptr; }
    // Takes the value at i into `out` and moves the last pair into its place.
    bool TakeAt(int i, CValue& out);

    // 501, count, the priorities, then the values.
    std::string Write() const;
    bool Read(std::string_view text);

private:
    int IndexOf(const DSValue& value) const;

    DSValueArray values_;
    DSValueArray priorities_;
};

// ---------------------------------------------------------------------------
// Grid: x is the column (0 <= x < width), y the row. Cells are kept column by
// column, one column's `height` cells after another.
enum class DSCellOp { Set, Add, Multiply };

// Real cells of a region or disk.
struct DSAggregate {
    double sum = 0.0;
    double max = -100000000.0;
    double min = 100000000.0;
    int64_t count = 0;
    double Mean() const { return count > 0 ? sum / static_cast<double>(count) : 0.0; }
    void Take(const DSValue& cell);
};

// An inclusive range of cells; empty when x0 > x1 or y0 > y1.
struct DSCellRange {
    int x0 = 0, x1 = -1, y0 = 0, y1 = -1;
    bool Empty() const { return x0 > x1 || y0 > y1; }
};

class CDS_Grid {
public:
    static constexpr int32_t kStreamId = 601;
    // The strings of Add are cut to this many bytes.
    static constexpr size_t kMaxAddedText = 1023;
    CDS_Grid() = default;
    virtual ~CDS_Grid() = default;
    CDS_Grid(const CDS_Grid&) = default;
    CDS_Grid& operator=(const CDS_Grid&) = default;
    CDS_Grid(CDS_Grid&&) noexcept = default;
    CDS_Grid& operator=(CDS_Grid&&) noexcept = default;

    // Whether a grid of this size can be held (negative sizes never can).
    static bool SizeFits(int64_t width, int64_t height);
    // Cells that remain keep their values, new cells are the real 0. False (and no
    // change) for a size SizeFits refuses.
    bool Resize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    DSValue* Cell(int x, int y) {
        return x >= 0 && x < width_ && y >= 0 && y < height_ ? &cells_[Index(x, y)] : nullptr;
    }
    const DSValue* Cell(int x, int y) const {
        return x >= 0 && x < width_ && y >= 0 && y < height_ ? &cells_[Index(x, y)] : nullptr;
    }
    void Fill(const DSValue& value);

    // Set copies; Add adds two reals, joins two texts (cut to 1023 bytes) and
    // otherwise sets; Multiply multiplies two reals and otherwise leaves the cell.
    static void Apply(DSValue& cell, DSCellOp op, const DSValue& value);

    // The corners in either order, clipped to the grid.
    DSCellRange Region(int x1, int y1, int x2, int y2) const;
    // The bounding box of a disk, clipped to the grid (empty for NaN input).
    DSCellRange DiskBox(double xm, double ym, double r) const;
    static bool InDisk(int x, int y, double xm, double ym, double r) {
        const double dx = x - xm, dy = y - ym;
        return dx * dx + dy * dy <= r * r;
    }

    // Calls f(x, y, cell) column by column, each column row by row; f gives true
    // to stop. Gives true when stopped.
    template <typename F>
    bool ForRegion(const DSCellRange& range, F&& f) {
        for (int x = range.x0; x <= range.x1; ++x)
            for (int y = range.y0; y <= range.y1; ++y)
                if (f(x, y, cells_[Index(x, y)])) return true;
        return false;
    }
    template <typename F>
    bool ForDisk(double xm, double ym, double r, F&& f) {
        const DSCellRange box = DiskBox(xm, ym, r);
        return ForRegion(box, [&](int x, int y, DSValue& cell) { return InDisk(x, y, xm, ym, r) && f(x, y, cell); });
    }

    // The source region's cells applied to this grid's cells from (xpos, ypos);
    // cells that land outside this grid are skipped. The source may be this grid:
    // the region is taken whole before anything changes.
    void ApplyGridRegion(DSCellOp op, const CDS_Grid& source, int x1, int y1, int x2, int y2, int xpos, int ypos);

    // width x height x 8 swaps of two cells, column and row drawn for each.
    void Shuffle();

    // 601, width, height, then each column's cells from column 0.
    std::string Write() const;
    bool Read(std::string_view text);

private:
    size_t Index(int x, int y) const {
        return static_cast<size_t>(x) * static_cast<size_t>(height_) + static_cast<size_t>(y);
    }

    int width_ = 0;
    int height_ = 0;
    DSValueArray cells_;
};

// ---------------------------------------------------------------------------
// An id table: ids are slot indices; creation takes the first free slot (so a
// destroyed id is reused by the next creation of the same kind) and otherwise
// grows the table by 16 slots.
template <typename T>
class CDSTable {
public:
    static constexpr int kGrowBy = 16;

    // The new structure's id, or -1 when the table cannot grow.
    int Create() {
        int id = 0;
        while (id < slots_.Length() && slots_[id] != nullptr) ++id;
        if (id == slots_.Length() && !slots_.SetLength(slots_.Length() + kGrowBy)) return -1;
        slots_.Set(id, new T());
        return id;
    }
    // The live structure of an id, or null.
    T* Find(int id) const { return slots_.Get(id); }
    bool Destroy(int id) {
        if (Find(id) == nullptr) return false;
        slots_.Delete(id);
        return true;
    }
    void Clear() { slots_.SetLength(0); }

private:
    cARRAY_CLASS<T> slots_;
};

// The structures of the running game, one table per kind (ids of different kinds are
// independent), and the comparison precision: part of the session, so a fresh session
// starts with none.
struct CDSTables {
    CDSTable<CDS_Stack> stacks;
    CDSTable<CDS_Queue> queues;
    CDSTable<CDS_List> lists;
    CDSTable<CDS_Map> maps;
    CDSTable<CDS_Priority> priorities;
    CDSTable<CDS_Grid> grids;
    double precision = kDSDefaultPrecision;

    template <typename T>
    CDSTable<T>& Of() {
        if constexpr (std::is_same_v<T, CDS_Stack>) return stacks;
        else if constexpr (std::is_same_v<T, CDS_Queue>) return queues;
        else if constexpr (std::is_same_v<T, CDS_List>) return lists;
        else if constexpr (std::is_same_v<T, CDS_Map>) return maps;
        else if constexpr (std::is_same_v<T, CDS_Priority>) return priorities;
        else return grids;
    }
};

template <typename T>
CDSTable<T>& DS_Table() {
    return Game().structures->Of<T>();
}

// Game end (and a fresh game): every structure freed, every table empty, the
// precision back to its default.
void DS_FreeAll();
