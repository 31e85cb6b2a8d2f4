#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/containers.h"
#include "platform/memory.h"

namespace {

// Counts live instances and records the order in which they die.
struct Tracked {
    static inline int alive = 0;
    static inline std::vector<int> deaths;
    int id;
    explicit Tracked(int i) : id(i) { ++alive; }
    ~Tracked() {
        --alive;
        deaths.push_back(id);
    }
};

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Tracked::alive = 0;
        Tracked::deaths.clear();
        before = MemoryManager::Counters();
    }
    void TearDown() override { EXPECT_EQ(Tracked::alive, 0); }
    MemoryCounters before{};
};

}  // namespace

TEST(MemoryManagerTest, AllocateZeroOrOversizeGivesNullAndCountsNothing) {
    const MemoryCounters before = MemoryManager::Counters();
    EXPECT_EQ(MemoryManager::Allocate(0, __FILE__, __LINE__, true), nullptr);
    EXPECT_EQ(MemoryManager::Allocate(MemoryManager::kMaxBlockSize + 1, __FILE__, __LINE__, false), nullptr);
    EXPECT_EQ(MemoryManager::Counters(), before);
}

TEST(MemoryManagerTest, AllocateReleaseRoundTripsCountersAndHeader) {
    const MemoryCounters before = MemoryManager::Counters();
    auto* p = static_cast<unsigned char*>(MemoryManager_Alloc(100));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);

    uint32_t header[4];
    std::memcpy(header, p - 16, sizeof header);
    EXPECT_EQ(header[0], 100u);
    EXPECT_EQ(header[1], 0xDEADC0DEu);
    EXPECT_EQ(header[2], 0xBAADB00Bu);
    EXPECT_EQ(header[3], 0u);

    for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0) << i;
    EXPECT_EQ(MemoryManager::SizeOf(p), 100u);
    EXPECT_EQ(MemoryManager::SizeOf(nullptr), 0u);

    const MemoryCounters during = MemoryManager::Counters();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(during.totals[i] - before.totals[i], 100u) << i;
    EXPECT_EQ(during.blocks - before.blocks, 1u);
    EXPECT_EQ(MemoryManager::TotalUsed(), during.totals[0]);

    MemoryManager::Release(p);
    MemoryManager::Release(nullptr);
    EXPECT_EQ(MemoryManager::Counters(), before);
}

TEST(MemoryManagerTest, ReleaseOfForeignMallocPointerFreesItUncounted) {
    const MemoryCounters before = MemoryManager::Counters();
    void* foreign = std::malloc(64);
    ASSERT_NE(foreign, nullptr);
    EXPECT_EQ(MemoryManager::SizeOf(foreign), 0u);
    MemoryManager::Release(foreign);  // LeakSanitizer proves it was freed
    EXPECT_EQ(MemoryManager::Counters(), before);
}

TEST(MemoryManagerTest, ReallocateRules) {
    const MemoryCounters before = MemoryManager::Counters();

    auto* p = static_cast<unsigned char*>(MemoryManager_Realloc(nullptr, 8));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 8; ++i) ASSERT_EQ(p[i], 0);
    std::memset(p, 0xAB, 8);

    EXPECT_EQ(MemoryManager_Realloc(p, 8), p);

    auto* q = static_cast<unsigned char*>(MemoryManager_Realloc(p, 32));
    ASSERT_NE(q, nullptr);
    EXPECT_NE(q, p);
    EXPECT_EQ(MemoryManager::SizeOf(q), 32u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(q[i], 0xAB) << i;
    for (int i = 8; i < 32; ++i) EXPECT_EQ(q[i], 0) << i;

    auto* r = static_cast<unsigned char*>(MemoryManager_Realloc(q, 4));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(MemoryManager::SizeOf(r), 4u);
    EXPECT_EQ(r[3], 0xAB);

    // A size the manager cannot hold fails and leaves the block alone.
    EXPECT_EQ(MemoryManager_Realloc(r, MemoryManager::kMaxBlockSize + 1), nullptr);
    EXPECT_EQ(MemoryManager::SizeOf(r), 4u);

    EXPECT_EQ(MemoryManager_Realloc(r, 0), nullptr);
    EXPECT_EQ(MemoryManager::Counters(), before);
}

TEST(MemoryManagerTest, ReallocateInPlaceStoresBackOnlyOnSuccess) {
    const MemoryCounters before = MemoryManager::Counters();
    char* p = nullptr;
    ASSERT_TRUE(MemoryManager_ReallocInPlace(p, 16));
    ASSERT_NE(p, nullptr);
    char* const kept = p;
    EXPECT_FALSE(MemoryManager_ReallocInPlace(p, MemoryManager::kMaxBlockSize + 1));
    EXPECT_EQ(p, kept);

    void* v = p;
    EXPECT_FALSE(MemoryManager::ReallocateInPlace(static_cast<void**>(nullptr), 4, __FILE__, __LINE__));
    ASSERT_TRUE(MemoryManager::ReallocateInPlace(&v, 0, __FILE__, __LINE__));
    EXPECT_EQ(v, nullptr);
    EXPECT_EQ(MemoryManager::Counters(), before);
}

TEST(MemoryManagerDeathTest, ReallocateOfForeignPointerAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            void* foreign = std::malloc(32);
            MemoryManager_Realloc(foreign, 64);
        },
        "no block header");
}

TEST_F(ContainerTest, StructureArrayGrowsZeroedAndChecksIndices) {
    struct Pair {
        int a;
        double b;
    };
    cARRAY_STRUCTURE<Pair> arr;
    ASSERT_TRUE(arr.SetLength(2));
    arr[0] = {7, 1.5};
    arr[1] = {8, 2.5};
    ASSERT_TRUE(arr.SetLength(5));
    EXPECT_EQ(arr[0].a, 7);
    EXPECT_EQ(arr[1].b, 2.5);
    for (int i = 2; i < 5; ++i) EXPECT_TRUE(arr[i].a == 0 && arr[i].b == 0.0) << i;

    EXPECT_EQ(arr.Get(-1).a, 0);
    EXPECT_EQ(arr.Get(5).a, 0);
    EXPECT_EQ(arr.At(5), nullptr);
    EXPECT_EQ(arr.Get(1).a, 8);

    EXPECT_FALSE(arr.SetLength(-1));
    EXPECT_FALSE(arr.SetLength(INT32_MAX));
    EXPECT_EQ(arr.Length(), 5);

    ASSERT_TRUE(arr.SetLength(0));
    EXPECT_EQ(arr.Length(), 0);
    EXPECT_EQ(MemoryManager::Counters(), before);  // storage freed
}

TEST_F(ContainerTest, MemoryArrayReleasesItsBlocks) {
    {
        cARRAY_MEMORY<char> arr;
        ASSERT_TRUE(arr.SetLength(3));
        EXPECT_EQ(arr[2], nullptr);
        arr[0] = static_cast<char*>(MemoryManager_Alloc(10));
        arr[2] = static_cast<char*>(MemoryManager_Alloc(20));
        ASSERT_TRUE(arr.SetLength(0));
        EXPECT_EQ(MemoryManager::Counters(), before);

        // Shrinking drops (and releases) the tail; the destructor takes the rest.
        ASSERT_TRUE(arr.SetLength(2));
        arr[0] = static_cast<char*>(MemoryManager_Alloc(10));
        arr[1] = static_cast<char*>(MemoryManager_Alloc(10));
        ASSERT_TRUE(arr.SetLength(1));
        EXPECT_EQ(MemoryManager::SizeOf(arr.Get(0)), 10u);
        EXPECT_EQ(arr.Get(1), nullptr);

        cARRAY_MEMORY<char> moved(std::move(arr));
        EXPECT_EQ(arr.Length(), 0);
        EXPECT_EQ(moved.Length(), 1);
    }
    EXPECT_EQ(MemoryManager::Counters(), before);
}

TEST_F(ContainerTest, ClassArrayDeletesLiveEntriesOnly) {
    {
        cARRAY_CLASS<Tracked> arr;
        ASSERT_TRUE(arr.SetLength(5));
        arr[0] = new Tracked(0);
        arr[1] = nullptr;
        arr[2] = reinterpret_cast<Tracked*>(static_cast<uintptr_t>(0xFEEEFEEEu));
        arr[3] = new Tracked(3);
        arr[4] = new Tracked(4);
        ASSERT_TRUE(arr.SetLength(4));  // drops entry 4
        EXPECT_EQ(Tracked::alive, 2);

        Tracked* kept = arr.Detach(3);
        ASSERT_TRUE(arr.SetLength(0));
        EXPECT_EQ(Tracked::alive, 1);
        EXPECT_EQ(arr.Length(), 0);
        delete kept;

        ASSERT_TRUE(arr.SetLength(1));
        arr[0] = new Tracked(9);
        EXPECT_TRUE(arr.Set(0, new Tracked(10)));  // replaces, deleting 9
        EXPECT_FALSE(arr.Set(1, nullptr));
        EXPECT_EQ(Tracked::alive, 1);
    }
    EXPECT_EQ(Tracked::deaths, (std::vector<int>{4, 0, 3, 9, 10}));
    EXPECT_EQ(MemoryManager::Counters(), before);
}

TEST_F(ContainerTest, NoDeleteArrayLeavesObjectsAlone) {
    Tracked a(1), b(2);
    {
        cARRAY_CLASS_NO_DELETE<Tracked> arr;
        ASSERT_TRUE(arr.SetLength(2));
        arr[0] = &a;
        arr[1] = &b;
        ASSERT_TRUE(arr.SetLength(0));
        ASSERT_TRUE(arr.SetLength(1));
        EXPECT_EQ(arr[0], nullptr);
        arr[0] = &a;
    }
    EXPECT_EQ(Tracked::alive, 2);
    EXPECT_TRUE(Tracked::deaths.empty());
}

TEST_F(ContainerTest, LinkedListAddsInFrontAndOwnsNothing) {
    Tracked a(1), b(2), c(3);
    {
        SLinkedList<Tracked> list;
        list.Add(&a);
        list.Add(&b);
        list.Add(&c);
        EXPECT_EQ(list.Count(), 3);
        EXPECT_EQ(list.First(), &c);
        EXPECT_EQ(list.Last(), &a);
        std::vector<int> order;
        for (Tracked* t : list) order.push_back(t->id);
        EXPECT_EQ(order, (std::vector<int>{3, 2, 1}));

        EXPECT_TRUE(list.Remove(&b));
        EXPECT_FALSE(list.Remove(&b));
        EXPECT_EQ(list.Count(), 2);
    }
    EXPECT_EQ(Tracked::alive, 3);
}

TEST_F(ContainerTest, HashDuplicateKeysFindAndDeleteFirstInserted) {
    Hash<Tracked> map(4);
    Tracked first(1), second(2);
    map.Insert(5, &first);
    map.Insert(5, &second);
    EXPECT_EQ(map.Count(), 2);
    EXPECT_EQ(map.Find(5), &first);

    EXPECT_TRUE(map.Delete(5, Hash_KeepValue));
    EXPECT_EQ(map.Find(5), &second);
    EXPECT_TRUE(map.Delete(5, Hash_KeepValue));
    EXPECT_FALSE(map.Delete(5, Hash_KeepValue));
    EXPECT_EQ(map.Find(5), nullptr);
    EXPECT_EQ(map.Count(), 0);
    EXPECT_EQ(Tracked::alive, 2);
}

TEST_F(ContainerTest, HashIteratesBucketsUpwardAndClearsLastBucketFirst) {
    Hash<Tracked> map(3);  // rounded up to 4 buckets
    ASSERT_EQ(map.BucketCount(), 4u);
    // key -> bucket: 6->2, 1->1, 4->0, 9->1, -1->3
    for (int key : {6, 1, 4, 9, -1}) map.Insert(key, new Tracked(key));

    std::vector<int> keys, ids;
    for (auto it = map.begin(); it != map.end(); ++it) {
        keys.push_back(it.Key());
        ids.push_back((*it)->id);
    }
    EXPECT_EQ(keys, (std::vector<int>{4, 1, 9, 6, -1}));
    EXPECT_EQ(ids, keys);

    EXPECT_TRUE(map.Delete(9, Hash_DeleteObject));
    EXPECT_EQ(Tracked::alive, 4);
    map.Clear(Hash_DeleteObject);
    EXPECT_EQ(Tracked::deaths, (std::vector<int>{9, -1, 6, 1, 4}));
    EXPECT_EQ(map.Count(), 0);
    EXPECT_TRUE(map.begin() == map.end());
}

TEST_F(ContainerTest, HashModesForValueBlocksAndDestruction) {
    {
        Hash<void> blocks(8);
        blocks.Insert(1, MemoryManager_Alloc(16));
        blocks.Insert(2, MemoryManager_Alloc(16));
        EXPECT_TRUE(blocks.Delete(1, Hash_FreeBlock));
        blocks.Clear(Hash_FreeBlock);
    }
    EXPECT_EQ(MemoryManager::Counters(), before);

    Tracked outside(7);
    {
        Hash<Tracked> owning(16, Hash_DeleteObject);
        owning.Insert(3, new Tracked(3));
        Hash<Tracked> moved(std::move(owning));
        EXPECT_EQ(owning.Find(3), nullptr);  // moved-from map stays usable
        owning.Insert(3, &outside);
        owning.Delete(3, Hash_KeepValue);

        Hash<Tracked> keeping(16);  // default: values left alone
        keeping.Insert(7, &outside);
    }
    EXPECT_EQ(Tracked::deaths, (std::vector<int>{3}));
    EXPECT_EQ(Tracked::alive, 1);
    EXPECT_EQ(MemoryManager::Counters(), before);
}
