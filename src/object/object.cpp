#include "object/object.h"

#include <algorithm>
#include <cstdint>

#include "data/game.h"
#include "object/instance.h"
#include "vm/machine.h"

// --- instance lists -------------------------------------------------------------------

namespace {
uint64_t g_listVersion = 0;
}

uint64_t Object_ListVersion() { return g_listVersion; }

CInstanceList::~CInstanceList() {
    ++g_listVersion;
    for (CInstanceLink* link = head; link;) {
        CInstanceLink* next = link->next;
        link->prev = link->next = nullptr;
        link->list = nullptr;
        link = next;
    }
}

void CInstanceList::Append(CInstanceLink& link) {
    static uint64_t lastSeq = 0;
    if (link.list) Remove(link);
    ++g_listVersion;
    link.list = this;
    link.seq = ++lastSeq;
    link.prev = tail;
    link.next = nullptr;
    if (tail) tail->next = &link;
    else head = &link;
    tail = &link;
    ++count;
}

void CInstanceList::Remove(CInstanceLink& link) {
    CInstanceList* list = link.list;
    if (!list) return;
    ++g_listVersion;
    if (link.prev) link.prev->next = link.next;
    else list->head = link.next;
    if (link.next) link.next->prev = link.prev;
    else list->tail = link.prev;
    --list->count;
    link.prev = link.next = nullptr;
    link.list = nullptr;
}

// --- the object table -----------------------------------------------------------------

namespace {

ResourceTable<CObject>* Table() {
    CGameResources* res = &*Game().resources;
    return res ? &res->objects : nullptr;
}

// Deleted objects stay allocated: running events and phases may still point at them.
std::vector<std::unique_ptr<CObject>>& Graveyard() {
    static std::vector<std::unique_ptr<CObject>> graveyard;
    return graveyard;
}

}  // namespace

CObject* Object_Find(int index) {
    ResourceTable<CObject>* table = Table();
    if (!table || index < 0 || size_t(index) >= table->size()) return nullptr;
    return (*table)[size_t(index)].get();
}

bool Object_Exists(int index) { return Object_Find(index) != nullptr; }

int Object_Count() {
    ResourceTable<CObject>* table = Table();
    return table ? int(table->size()) : 0;
}

const char* Object_Name(int index) {
    const CObject* o = Object_Find(index);
    return o ? o->name.c_str() : "<undefined>";
}

bool Object_IsAncestor(int object, int candidate) {
    const CObject* o = Object_Find(object);
    if (!o) return false;
    // The table size bounds the walk: a chain longer than that loops.
    int steps = Object_Count() + 1;
    for (int p = o->parentIndex; p >= 0 && steps-- > 0;) {
        if (p == candidate) return true;
        const CObject* parent = Object_Find(p);
        if (!parent) return false;
        p = parent->parentIndex;
    }
    return false;
}

void Object_ResolveParents() {
    ResourceTable<CObject>* table = Table();
    if (!table) return;
    for (auto& o : *table) {
        if (!o) continue;
        o->parent = o->parentIndex >= 0 && o->parentIndex <= kMaxObjectIndex ? Object_Find(o->parentIndex) : nullptr;
    }
}

int Object_Add() {
    ResourceTable<CObject>* table = Table();
    if (!table) return -1;
    auto o = std::make_unique<CObject>();
    o->index = int(table->size());
    o->name = "__newobject" + std::to_string(o->index);
    o->flags = CObject::kVisible;
    o->parentIndex = -1;
    table->push_back(std::move(o));
    Event_RebuildLists();
    return int(table->size()) - 1;
}

bool Object_Delete(int index) {
    ResourceTable<CObject>* table = Table();
    if (!table || !Object_Find(index)) return false;
    Graveyard().push_back(std::move((*table)[size_t(index)]));
    for (auto& o : *table)
        if (o && o->parent == Graveyard().back().get()) o->parent = nullptr;
    Event_RebuildLists();
    return true;
}

// --- event lists ----------------------------------------------------------------------

namespace {

// How many numbers get a list, per event type. Key events cover every key code the
// keyboard phase can deliver, draw events the GUI layer's number 64; collision (4) and
// trigger (11) events have none.
constexpr int kListNumbers[kEventTypeCount] = {1, 1, 13, 17, 0, 256, 129, 129, 65, 256, 256, 0};

struct TEventLists {
    std::vector<std::vector<CEventListEntry>> lists[kEventTypeCount];
    // For the lists asked about one object at a time (draw, animation end), the position
    // of each object's entry or -1, made on first use: a lookup per instance per frame
    // is then one load.
    std::vector<std::vector<int32_t>> positions[kEventTypeCount];
    std::vector<std::pair<int, int>> pairs;
};

TEventLists& Lists() {
    static TEventLists lists;
    return lists;
}

const std::vector<CEventListEntry>& EmptyList() {
    static const std::vector<CEventListEntry> empty;
    return empty;
}

// Whether the object or one of its ancestors has any collision event at all.
bool ChainHasCollisions(const CObject* o, int steps) {
    for (; o && steps-- > 0; o = Object_Find(o->parentIndex))
        for (const auto& e : o->events[kEventCollision])
            if (e) return true;
    return false;
}

}  // namespace

void Event_RebuildLists() {
    TEventLists& L = Lists();
    const int count = Object_Count();
    for (int t = 0; t < kEventTypeCount; ++t) {
        // Phases fetch their list afresh for every object they take from it, so an
        // event that rebuilds the lists under a phase leaves it nothing stale to read.
        auto& lists = L.lists[t];
        lists.assign(size_t(kListNumbers[t]), {});
        L.positions[t].assign(size_t(kListNumbers[t]), {});
        for (int n = 0; n < kListNumbers[t]; ++n) {
            auto& list = lists[size_t(n)];
            for (int o = 0; o < count; ++o) {
                int foundIn = -1;
                if (!Object_Exists(o)) continue;
                if (const CEvent* e = Event_Find(o, t, n, &foundIn)) {
                    if (list.capacity() == list.size()) list.reserve(list.size() + 5);
                    list.push_back(CEventListEntry{o, foundIn, e});
                }
            }
        }
    }
    L.pairs.clear();
    std::vector<int> withCollisions;
    for (int o = 0; o < count; ++o)
        if (ChainHasCollisions(Object_Find(o), count + 1)) withCollisions.push_back(o);
    for (int a : withCollisions) {
        for (int b = 0; b < count; ++b) {
            if (!Object_Exists(b)) continue;
            if (Event_Find(a, kEventCollision, b)) L.pairs.emplace_back(std::min(a, b), std::max(a, b));
        }
    }
    std::sort(L.pairs.begin(), L.pairs.end());
    L.pairs.erase(std::unique(L.pairs.begin(), L.pairs.end()), L.pairs.end());
}

const std::vector<CEventListEntry>& Event_ObjectList(int type, int number) {
    if (type < 0 || type >= kEventTypeCount) return EmptyList();
    const auto& lists = Lists().lists[type];
    if (number < 0 || size_t(number) >= lists.size()) return EmptyList();
    return lists[size_t(number)];
}

const CEventListEntry* Event_ListEntry(int type, int number, int object) {
    const std::vector<CEventListEntry>& list = Event_ObjectList(type, number);
    if (list.empty() || object < 0) return nullptr;
    std::vector<int32_t>& positions = Lists().positions[type][size_t(number)];
    if (positions.empty()) {
        // Entries are in object order, so the last one bounds the table.
        positions.assign(size_t(list.back().object) + 1, -1);
        for (size_t i = 0; i < list.size(); ++i) positions[size_t(list[i].object)] = int32_t(i);
    }
    if (size_t(object) >= positions.size() || positions[size_t(object)] < 0) return nullptr;
    return &list[size_t(positions[size_t(object)])];
}

const std::vector<std::pair<int, int>>& Event_CollisionPairs() { return Lists().pairs; }
