// The data structure built-ins: id tables, every kind's operations, the comparison
// rule, sorting and shuffling, grid regions and disks, and the string forms.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "ds/ds_structures.h"
#include "ds/function_ds.h"
#include "function/call_table.h"
#include "io/stream.h"
#include "value/random.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const char* const kErr = kDsNoSuchStructure;

// Every test runs in a session of its own (the machine fixture's), so it starts with
// no structures and the default precision.
using DsTest = CallTableTest;

CValue Real(double v) { return CValue(v); }
CValue Text(const char* s) { return CValue(std::string_view(s)); }

// ---------------------------------------------------------------------------
// Id tables and bad ids

TEST_F(DsTest, IdsAreSlotsAndFreedSlotsAreReusedPerKind) {
    RunTable({
        {"ds_list_create", {}, R(0)},
        {"ds_list_create", {}, R(1)},
        {"ds_list_destroy", {R(0)}, R(0)},
        {"ds_list_create", {}, R(0)},  // the first free slot
        {"ds_list_create", {}, R(2)},
        {"ds_map_create", {}, R(0)},  // every kind has its own table
        {"ds_stack_create", {}, R(0)},
        {"ds_queue_create", {}, R(0)},
        {"ds_priority_create", {}, R(0)},
        {"ds_grid_create", {R(2), R(2)}, R(0)},
        {"ds_list_destroy", {R(1)}, R(0)},
        {"ds_list_destroy", {R(1)}, R(0), kErr},  // twice
    });
    // Past the first block of 16 slots the table grows.
    for (int i = 3; i < 40; ++i) EXPECT_EQ(Call("ds_list_create", {}).val, i == 3 ? 1 : i - 1);
    EXPECT_NE(DS_Table<CDS_List>().Find(38), nullptr);
}

TEST_F(DsTest, BadIdsAreNonFatalErrorsAndChangeNothing) {
    RunTable({
        {"ds_stack_pop", {R(0)}, R(0), kErr},
        {"ds_stack_size", {R(-1)}, R(0), kErr},
        {"ds_stack_write", {R(0)}, R(0), kErr},
        {"ds_queue_head", {R(0)}, R(0), kErr},
        {"ds_list_find_value", {R(0), R(0)}, R(0), kErr},
        {"ds_map_find_value", {R(0), S("k")}, R(0), kErr},
        {"ds_priority_find_min", {R(0)}, R(0), kErr},
        {"ds_grid_get", {R(0), R(0), R(0)}, R(0), kErr},
        {"ds_grid_get_max", {R(0), R(0), R(0), R(1), R(1)}, R(0), kErr},
        {"ds_grid_value_disk_x", {R(0), R(0), R(0), R(1), R(1)}, R(0), kErr},
        {"ds_list_read", {R(0), S("")}, R(0), kErr},
        {"ds_list_create", {}, R(0)},
        {"ds_list_add", {R(0), R(7)}, R(0)},
        {"ds_stack_size", {R(0)}, R(0), kErr},  // list 0 exists, stack 0 does not
        {"ds_list_size", {R(2147483648.0)}, R(0), kErr},
        {"ds_list_copy", {R(0), R(3)}, R(0), kErr},  // a missing source
        {"ds_list_size", {R(0)}, R(1)},
        {"ds_grid_create", {R(1), R(1)}, R(0)},
        {"ds_grid_set_grid_region", {R(0), R(4), R(0), R(0), R(0), R(0), R(0), R(0)}, R(0), kErr},
        {"ds_grid_destroy", {R(1)}, R(0), kErr},
    });
}

// ---------------------------------------------------------------------------
// The comparison rule

struct CompareCase {
    double precision;
    CValue a, b;
    int expected;
};

TEST_F(DsTest, CompareValuesRule) {
    const CompareCase cases[] = {
        {kDSDefaultPrecision, Real(0.1), Real(0.10000000001), 0},
        {kDSDefaultPrecision, Real(16777216), Real(16777217), 0},  // the same float
        {kDSDefaultPrecision, Real(1), Real(2), -1},
        {kDSDefaultPrecision, Real(2), Real(1), 1},
        {kDSDefaultPrecision, Real(1e300), Real(1e300), 0},  // inf - inf as floats
        {0, Real(0.1), Real(0.1), 0},                        // precision 0: still equal to itself
        {0, Real(16777216), Real(16777217), 0},              // and to what has its float form
        {0, Real(1), Real(1.000001), -1},
        {0.5, Real(1), Real(1.4), 0},
        {0.5, Real(1), Real(1.6), -1},
        {kDSDefaultPrecision, Real(1), Text("1"), 1},  // a real and a string: 1 both ways
        {kDSDefaultPrecision, Text("1"), Real(1), 1},
        {kDSDefaultPrecision, Text("a"), Text("b"), -1},
        {kDSDefaultPrecision, Text("b"), Text("a"), 1},
        {kDSDefaultPrecision, Text("\xC3\xA9"), Text("z"), 1},  // bytes compare unsigned
        {kDSDefaultPrecision, Text(""), Text(""), 0},
    };
    for (const CompareCase& c : cases) {
        DS_SetPrecision(c.precision);
        EXPECT_EQ(DS_CompareValues(c.a, c.b), c.expected)
            << Value_ToDumpText(c.a) << " vs " << Value_ToDumpText(c.b) << " at " << c.precision;
    }
}

TEST_F(DsTest, SetPrecisionKeepsTheAbsoluteValueAndDrivesSearches) {
    RunTable({
        {"ds_list_create", {}, R(0)},
        {"ds_list_add", {R(0), R(1)}, R(0)},
        {"ds_list_find_index", {R(0), R(1.4)}, R(-1)},
        {"ds_set_precision", {R(-0.5)}, R(0)},
        {"ds_list_find_index", {R(0), R(1.4)}, R(0)},
        {"ds_list_find_index", {R(0), S("1")}, R(-1)},
    });
    EXPECT_EQ(DS_Precision(), 0.5);
}

// ---------------------------------------------------------------------------
// Stack, queue, list

TEST_F(DsTest, StackAndQueueOperations) {
    RunTable({
        {"ds_stack_create", {}, R(0)},
        {"ds_stack_empty", {R(0)}, R(1)},
        {"ds_stack_push", {R(0), R(1)}, R(0)},
        {"ds_stack_push", {R(0), S("two")}, R(0)},
        {"ds_stack_push", {R(0), R(3)}, R(0)},
        {"ds_stack_size", {R(0)}, R(3)},
        {"ds_stack_top", {R(0)}, R(3)},
        {"ds_stack_pop", {R(0)}, R(3)},
        {"ds_stack_pop", {R(0)}, S("two")},
        {"ds_stack_create", {}, R(1)},
        {"ds_stack_copy", {R(1), R(0)}, R(0)},
        {"ds_stack_pop", {R(0)}, R(1)},
        {"ds_stack_pop", {R(0)}, R(0)},  // empty
        {"ds_stack_top", {R(0)}, R(0)},
        {"ds_stack_top", {R(1)}, R(1)},  // the copy is its own
        {"ds_stack_clear", {R(1)}, R(0)},
        {"ds_stack_empty", {R(1)}, R(1)},

        {"ds_queue_create", {}, R(0)},
        {"ds_queue_enqueue", {R(0), R(1)}, R(0)},
        {"ds_queue_enqueue", {R(0), S("b")}, R(0)},
        {"ds_queue_enqueue", {R(0), R(3)}, R(0)},
        {"ds_queue_head", {R(0)}, R(1)},
        {"ds_queue_tail", {R(0)}, R(3)},
        {"ds_queue_dequeue", {R(0)}, R(1)},
        {"ds_queue_size", {R(0)}, R(2)},
        {"ds_queue_create", {}, R(1)},
        {"ds_queue_copy", {R(1), R(0)}, R(0)},
        {"ds_queue_dequeue", {R(0)}, S("b")},
        {"ds_queue_dequeue", {R(0)}, R(3)},
        {"ds_queue_dequeue", {R(0)}, R(0)},  // empty
        {"ds_queue_head", {R(0)}, R(0)},
        {"ds_queue_tail", {R(0)}, R(0)},
        {"ds_queue_empty", {R(0)}, R(1)},
        {"ds_queue_head", {R(1)}, S("b")},
        {"ds_queue_clear", {R(1)}, R(0)},
        {"ds_queue_size", {R(1)}, R(0)},
    });
}

TEST(DsQueue, DequeueMovesTheRestToTheFrontPastSlot17AndHalfOfEnd) {
    struct Case {
        int enqueued, dequeued, start, end;
    } cases[] = {{20, 16, 16, 20}, {20, 17, 0, 3}, {40, 17, 17, 40}, {40, 20, 20, 40}, {40, 21, 0, 19}};
    for (const Case& c : cases) {
        CDS_Queue q;
        for (int i = 0; i < c.enqueued; ++i) q.Enqueue(CValue(double(i)));
        DSValue out;
        for (int i = 0; i < c.dequeued; ++i) ASSERT_TRUE(q.Dequeue(out));
        EXPECT_EQ(out.val, c.dequeued - 1);
        EXPECT_EQ(q.Start(), c.start) << c.enqueued << "/" << c.dequeued;
        EXPECT_EQ(q.End(), c.end) << c.enqueued << "/" << c.dequeued;
        ASSERT_NE(q.Head(), nullptr);
        EXPECT_EQ(q.Head()->val, c.dequeued);
        EXPECT_EQ(q.Tail()->val, c.enqueued - 1);
        EXPECT_EQ(q.Capacity(), (c.enqueued + 15) / 16 * 16);
    }
}

TEST_F(DsTest, ListOperations) {
    RunTable({
        {"ds_list_create", {}, R(0)},
        {"ds_list_add", {R(0), R(1)}, R(0)},
        {"ds_list_add", {R(0), S("1")}, R(0)},
        {"ds_list_insert", {R(0), R(0), S("first")}, R(0)},
        {"ds_list_insert", {R(0), R(3), S("end")}, R(0)},  // pos == size appends
        {"ds_list_insert", {R(0), R(5), S("no")}, R(0)},
        {"ds_list_insert", {R(0), R(-1), S("no")}, R(0)},
        {"ds_list_size", {R(0)}, R(4)},
        {"ds_list_find_index", {R(0), S("1")}, R(2)},  // not the real 1 at 1
        {"ds_list_find_index", {R(0), R(1)}, R(1)},
        {"ds_list_find_index", {R(0), S("zz")}, R(-1)},
        {"ds_list_find_value", {R(0), R(0)}, S("first")},
        {"ds_list_find_value", {R(0), R(3)}, S("end")},
        {"ds_list_find_value", {R(0), R(4)}, R(0)},
        {"ds_list_find_value", {R(0), R(-1)}, R(0)},
        {"ds_list_replace", {R(0), R(1), R(1.5)}, R(0)},
        {"ds_list_replace", {R(0), R(4), R(9)}, R(0)},
        {"ds_list_find_value", {R(0), R(1)}, R(1.5)},
        {"ds_list_delete", {R(0), R(0)}, R(0)},
        {"ds_list_delete", {R(0), R(3)}, R(0)},
        {"ds_list_find_value", {R(0), R(0)}, R(1.5)},
        {"ds_list_size", {R(0)}, R(3)},
        {"ds_list_create", {}, R(1)},
        {"ds_list_copy", {R(1), R(0)}, R(0)},
        {"ds_list_clear", {R(0)}, R(0)},
        {"ds_list_empty", {R(0)}, R(1)},
        {"ds_list_find_value", {R(1), R(2)}, S("end")},
    });
}

std::string Dump(const DSValueArray& items) {
    std::string out;
    for (const DSValue& v : items) out += Value_ToDumpText(v) + " ";
    return out;
}

TEST(DsList, SortIsTheInsertionSortOfTheComparisonRule) {
    struct Case {
        std::vector<CValue> input;
        bool ascending;
        std::vector<CValue> expected;
    } cases[] = {
        {{Real(3), Real(1), Real(2), Real(1)}, true, {Real(1), Real(1), Real(2), Real(3)}},
        {{Real(3), Real(1), Real(2), Real(1)}, false, {Real(3), Real(2), Real(1), Real(1)}},
        {{Text("b"), Text("a"), Text("c")}, true, {Text("a"), Text("b"), Text("c")}},
        // Elements that compare equal keep their order ascending and swap descending.
        {{Real(1), Real(1.000000001)}, true, {Real(1), Real(1.000000001)}},
        {{Real(1), Real(1.000000001)}, false, {Real(1.000000001), Real(1)}},
        // A real and a string are "greater" either way: the string moves left.
        {{Real(1), Text("a"), Real(2)}, true, {Text("a"), Real(1), Real(2)}},
    };
    DS_SetPrecision(kDSDefaultPrecision);
    for (const Case& c : cases) {
        CDS_List list, expected;
        for (const CValue& v : c.input) list.Add(v);
        for (const CValue& v : c.expected) expected.Add(v);
        list.Sort(c.ascending);
        EXPECT_EQ(list.Write(), expected.Write()) << Dump(list.Items()) << " wanted " << Dump(expected.Items());
    }
}

TEST_F(DsTest, ShufflesArePermutationsDrawnFromTheEngineGenerator) {
    auto shuffledList = [] {
        CDS_List list;
        for (int i = 0; i < 10; ++i) list.Add(Real(i));
        list.Shuffle();
        std::vector<double> out;
        for (const DSValue& v : list.Items()) out.push_back(v.val);
        return out;
    };
    Random_SetSeed(7);
    const std::vector<double> first = shuffledList();
    Random_SetSeed(7);
    EXPECT_EQ(shuffledList(), first);
    std::vector<double> sorted = first;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_NE(first, sorted);

    CDS_Grid grid;
    ASSERT_TRUE(grid.Resize(3, 4));
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 4; ++y) grid.Cell(x, y)->SetReal(x * 10 + y);
    const std::string before = grid.Write();
    grid.Shuffle();
    EXPECT_NE(grid.Write(), before);
    std::vector<double> cells;
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 4; ++y) cells.push_back(grid.Cell(x, y)->val);
    std::sort(cells.begin(), cells.end());
    EXPECT_EQ(cells, (std::vector<double>{0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23}));

    CDS_List empty;
    empty.Shuffle();  // nothing to draw from
    EXPECT_EQ(empty.Size(), 0);
}

// ---------------------------------------------------------------------------
// Map

TEST_F(DsTest, MapOperationsAndKeyIdentity) {
    // "plumless" and "buckeroo" have the same CRC-32: they must stay two keys.
    ASSERT_EQ(DS_KeyHash(Text("plumless")), DS_KeyHash(Text("buckeroo")));
    ASSERT_EQ(DS_KeyHash(Text("plumless")), 0xB224F3DAu);
    ASSERT_EQ(DS_KeyHash(Text("")), 0xFFFFFFFFu);
    RunTable({
        {"ds_map_create", {}, R(0)},
        {"ds_map_add", {R(0), S("k"), R(1)}, R(1)},
        {"ds_map_add", {R(0), S("k"), R(2)}, R(0)},
        {"ds_map_find_value", {R(0), S("k")}, R(1)},
        {"ds_map_replace", {R(0), S("k"), R(3)}, R(1)},
        {"ds_map_replace", {R(0), S("new"), S("v")}, R(0)},  // absent: added
        {"ds_map_find_value", {R(0), S("k")}, R(3)},
        {"ds_map_find_value", {R(0), S("new")}, S("v")},
        {"ds_map_add", {R(0), R(1), S("real key")}, R(1)},
        {"ds_map_find_value", {R(0), R(1)}, S("real key")},
        {"ds_map_find_value", {R(0), S("1")}, R(0)},
        {"ds_map_exists", {R(0), S("1")}, R(0)},
        {"ds_map_size", {R(0)}, R(3)},
        {"ds_map_delete", {R(0), S("new")}, R(0)},
        {"ds_map_exists", {R(0), S("new")}, R(0)},
        {"ds_map_size", {R(0)}, R(2)},
        {"ds_map_add", {R(0), S("plumless"), R(10)}, R(1)},
        {"ds_map_add", {R(0), S("buckeroo"), R(20)}, R(1)},
        {"ds_map_find_value", {R(0), S("plumless")}, R(10)},
        {"ds_map_find_value", {R(0), S("buckeroo")}, R(20)},
        {"ds_map_delete", {R(0), S("buckeroo")}, R(0)},
        {"ds_map_find_value", {R(0), S("plumless")}, R(10)},
        {"ds_map_exists", {R(0), S("buckeroo")}, R(0)},
        {"ds_map_create", {}, R(1)},
        {"ds_map_copy", {R(1), R(0)}, R(0)},
        {"ds_map_clear", {R(0)}, R(0)},
        {"ds_map_empty", {R(0)}, R(1)},
        {"ds_map_find_value", {R(1), S("plumless")}, R(10)},
    });
}

// Buckets (CRC & 4095): "b" 6, "c" 144, 2.0 262, "a" 444, "dco" 444, "x" 2428, 1.0 3094.
TEST_F(DsTest, MapIteratesBucketByBucketInInsertionOrder) {
    RunTable({
        {"ds_map_create", {}, R(0)},
        {"ds_map_find_first", {R(0)}, R(0)},  // empty
        {"ds_map_add", {R(0), S("x"), R(0)}, R(1)},
        {"ds_map_add", {R(0), S("a"), R(0)}, R(1)},
        {"ds_map_add", {R(0), R(1), R(0)}, R(1)},
        {"ds_map_add", {R(0), S("b"), R(0)}, R(1)},
        {"ds_map_add", {R(0), S("dco"), R(0)}, R(1)},
        {"ds_map_add", {R(0), S("c"), R(0)}, R(1)},
        {"ds_map_add", {R(0), R(2), R(0)}, R(1)},
        {"ds_map_find_first", {R(0)}, S("b")},
        {"ds_map_find_next", {R(0), S("b")}, S("c")},
        {"ds_map_find_next", {R(0), S("c")}, R(2)},
        {"ds_map_find_next", {R(0), R(2)}, S("a")},
        {"ds_map_find_next", {R(0), S("a")}, S("dco")},  // same bucket, later insertion
        {"ds_map_find_next", {R(0), S("dco")}, S("x")},
        {"ds_map_find_next", {R(0), S("x")}, R(1)},
        {"ds_map_find_next", {R(0), R(1)}, R(0)},  // after the last
        {"ds_map_find_last", {R(0)}, R(1)},
        {"ds_map_find_previous", {R(0), S("dco")}, S("a")},
        {"ds_map_find_previous", {R(0), S("a")}, R(2)},
        {"ds_map_find_previous", {R(0), S("b")}, R(0)},
        {"ds_map_find_next", {R(0), S("absent")}, R(0)},
    });
}

TEST_F(DsTest, MapTextForm) {
    RunTable({
        {"ds_map_create", {}, R(0)},
        {"ds_map_add", {R(0), S("a"), R(1)}, R(1)},
        {"ds_map_write", {R(0)}, S("1:61:3FF0")},
        // Entries in iteration order; 0.0 is written as nothing at all.
        {"ds_map_create", {}, R(1)},
        {"ds_map_add", {R(1), R(1), S("v")}, R(1)},
        {"ds_map_add", {R(1), S("b"), R(0)}, R(1)},
        {"ds_map_write", {R(1)}, S("1:62:,2:3FF0:76")},
        // Written by hand: 1.0 -> 2.0, "k" -> "v" (lower-case digits), "" -> 0.0, and a
        // trailing comma.
        {"ds_map_read", {R(0), S("0:3FF0:4000,3:6b:76,1::,")}, R(1)},
        {"ds_map_size", {R(0)}, R(3)},
        {"ds_map_exists", {R(0), S("a")}, R(0)},  // reading replaces the content
        {"ds_map_find_value", {R(0), R(1)}, R(2)},
        {"ds_map_find_value", {R(0), S("k")}, S("v")},
        {"ds_map_exists", {R(0), S("")}, R(1)},
        {"ds_map_read", {R(0), R(0)}, R(0)},  // not a string form
        {"ds_map_size", {R(0)}, R(3)},
        {"ds_map_read", {R(0), S("")}, R(1)},
        {"ds_map_empty", {R(0)}, R(1)},
    });

    CDS_Map map;
    map.Add(Text("key"), Real(-0.5));
    map.Add(Real(1e-300), Text("text with, comma: and colon"));
    map.Add(Real(-0.0), Text(""));
    map.Add(Text(""), Real(12345.678));
    CDS_Map back;
    ASSERT_TRUE(back.Read(map.Write()));
    EXPECT_EQ(back.Write(), map.Write());
    ASSERT_NE(back.Find(Real(1e-300)), nullptr);
    EXPECT_STREQ(back.Find(Real(1e-300))->Text(), "text with, comma: and colon");
    EXPECT_EQ(back.Find(Text(""))->val, 12345.678);
    EXPECT_EQ(back.Find(Real(0.0)), nullptr);  // -0.0 is its own key: other bytes
    EXPECT_TRUE(back.Find(Real(-0.0))->IsString());

    // Malformed texts are refused and leave the map as it was.
    const char* malformed[] = {
        "4:61:00",                  // no such type
        "1:61",                     // no value separator
        "1",                        // nothing after the type
        ":61:00",                   // no type
        "1:6G:3FF0",                // not a hex digit
        "1:616:3FF0",               // half a byte
        "0:3FF000000000000000:00",  // a real of nine bytes
        "1:61:3FF0,,",              // an empty entry
    };
    for (const char* text : malformed) {
        EXPECT_FALSE(back.Read(text)) << text;
        EXPECT_EQ(back.Write(), map.Write()) << text;
    }
}

// ---------------------------------------------------------------------------
// Priority queue

TEST_F(DsTest, PriorityOperations) {
    RunTable({
        {"ds_priority_create", {}, R(0)},
        {"ds_priority_find_min", {R(0)}, R(0)},  // empty
        {"ds_priority_delete_max", {R(0)}, R(0)},
        {"ds_priority_add", {R(0), S("a"), R(5)}, R(0)},
        {"ds_priority_add", {R(0), S("b"), R(1)}, R(0)},
        {"ds_priority_add", {R(0), S("c"), R(9)}, R(0)},
        {"ds_priority_add", {R(0), S("d"), R(3)}, R(0)},
        {"ds_priority_add", {R(0), S("e"), R(9)}, R(0)},
        {"ds_priority_find_max", {R(0)}, S("c")},  // the first of equal priorities
        {"ds_priority_find_priority", {R(0), S("d")}, R(3)},
        {"ds_priority_find_priority", {R(0), S("zz")}, R(0)},
        {"ds_priority_delete_min", {R(0)}, S("b")},  // the last pair "e" moves into its place
        {"ds_priority_change_priority", {R(0), S("c"), R(9)}, R(0)},
        {"ds_priority_find_max", {R(0)}, S("e")},  // now ahead of "c"
        {"ds_priority_delete_value", {R(0), S("a")}, R(0)},
        {"ds_priority_size", {R(0)}, R(3)},
        {"ds_priority_change_priority", {R(0), S("d"), R(0)}, R(0)},
        {"ds_priority_find_min", {R(0)}, S("d")},
        {"ds_priority_create", {}, R(1)},
        {"ds_priority_copy", {R(1), R(0)}, R(0)},
        {"ds_priority_delete_max", {R(0)}, S("e")},
        {"ds_priority_delete_max", {R(0)}, S("c")},
        {"ds_priority_delete_max", {R(0)}, S("d")},
        {"ds_priority_empty", {R(0)}, R(1)},
        {"ds_priority_size", {R(1)}, R(3)},
        {"ds_priority_clear", {R(1)}, R(0)},
        {"ds_priority_empty", {R(1)}, R(1)},
    });
}

// ---------------------------------------------------------------------------
// Grid

TEST_F(DsTest, GridCellsAndRegions) {
    RunTable({
        {"ds_grid_create", {R(4), R(3)}, R(0)},
        {"ds_grid_width", {R(0)}, R(4)},
        {"ds_grid_height", {R(0)}, R(3)},
        {"ds_grid_get", {R(0), R(3), R(2)}, R(0)},
        {"ds_grid_get", {R(0), R(4), R(0)}, R(0)},  // outside
        {"ds_grid_set", {R(0), R(1), R(1), R(5)}, R(0)},
        {"ds_grid_add", {R(0), R(1), R(1), R(2)}, R(0)},
        {"ds_grid_multiply", {R(0), R(1), R(1), R(3)}, R(0)},
        {"ds_grid_get", {R(0), R(1), R(1)}, R(21)},
        {"ds_grid_set", {R(0), R(2), R(1), S("ab")}, R(0)},
        {"ds_grid_add", {R(0), R(2), R(1), S("cd")}, R(0)},
        {"ds_grid_multiply", {R(0), R(2), R(1), R(2)}, R(0)},  // not two reals: unchanged
        {"ds_grid_get", {R(0), R(2), R(1)}, S("abcd")},
        {"ds_grid_add", {R(0), R(2), R(1), R(4)}, R(0)},  // a mixed pair sets
        {"ds_grid_get", {R(0), R(2), R(1)}, R(4)},
        {"ds_grid_set", {R(0), R(9), R(9), R(1)}, R(0)},  // outside: nothing
        {"ds_grid_clear", {R(0), R(1)}, R(0)},
        {"ds_grid_get_sum", {R(0), R(0), R(0), R(3), R(2)}, R(12)},
        // Corners in either order, clipped to the grid.
        {"ds_grid_set_region", {R(0), R(3), R(2), R(2), R(1), R(5)}, R(0)},
        {"ds_grid_add_region", {R(0), R(-5), R(-5), R(0), R(0), R(10)}, R(0)},
        {"ds_grid_multiply_region", {R(0), R(10), R(10), R(20), R(20), R(0)}, R(0)},
        {"ds_grid_get_sum", {R(0), R(-1), R(-1), R(9), R(9)}, R(38)},
        {"ds_grid_get_max", {R(0), R(0), R(0), R(3), R(2)}, R(11)},
        {"ds_grid_get_min", {R(0), R(3), R(2), R(1), R(0)}, R(1)},
        {"ds_grid_get_mean", {R(0), R(2), R(1), R(3), R(2)}, R(5)},
        {"ds_grid_value_exists", {R(0), R(0), R(0), R(3), R(2), R(5)}, R(1)},
        {"ds_grid_value_x", {R(0), R(0), R(0), R(3), R(2), R(5)}, R(2)},
        {"ds_grid_value_y", {R(0), R(0), R(0), R(3), R(2), R(5)}, R(1)},
        {"ds_grid_value_exists", {R(0), R(0), R(0), R(3), R(2), R(99)}, R(0)},
        {"ds_grid_value_x", {R(0), R(0), R(0), R(3), R(2), R(99)}, R(-1)},
        {"ds_grid_value_y", {R(0), R(0), R(0), R(3), R(2), S("5")}, R(-1)},
        // Aggregates count real cells only.
        {"ds_grid_create", {R(2), R(1)}, R(1)},
        {"ds_grid_clear", {R(1), S("s")}, R(0)},
        {"ds_grid_get_max", {R(1), R(0), R(0), R(1), R(0)}, R(-100000000)},
        {"ds_grid_get_min", {R(1), R(0), R(0), R(1), R(0)}, R(100000000)},
        {"ds_grid_get_mean", {R(1), R(0), R(0), R(1), R(0)}, R(0)},
        {"ds_grid_get_sum", {R(1), R(0), R(0), R(1), R(0)}, R(0)},
    });
}

// Grid 1 is 5 x 5. After the first three calls: 1 at (2,2)'s four neighbours, 10 at
// (2,2), 2 at (0,0), (1,0), (0,1); diagonal neighbours are sqrt(2) away.
TEST_F(DsTest, GridDisks) {
    RunTable({
        {"ds_grid_create", {R(1), R(1)}, R(0)},
        {"ds_grid_create", {R(5), R(5)}, R(1)},
        {"ds_grid_set_disk", {R(1), R(2), R(2), R(1), R(1)}, R(0)},
        {"ds_grid_add_disk", {R(1), R(0), R(0), R(1), R(2)}, R(0)},
        {"ds_grid_multiply_disk", {R(1), R(2), R(2), R(0.5), R(10)}, R(0)},
        {"ds_grid_get_sum", {R(1), R(0), R(0), R(4), R(4)}, R(20)},
        {"ds_grid_get_disk_sum", {R(1), R(2), R(2), R(1.5)}, R(14)},
        {"ds_grid_get_disk_max", {R(1), R(2), R(2), R(1)}, R(10)},
        {"ds_grid_get_disk_min", {R(1), R(4), R(4), R(0)}, R(0)},
        {"ds_grid_get_disk_mean", {R(1), R(2), R(2), R(1)}, R(14.0 / 5)},
        {"ds_grid_get_disk_sum", {R(1), R(2), R(2), R(kNaN)}, R(0)},
        {"ds_grid_get_disk_sum", {R(1), R(2), R(2), R(-1)}, R(0)},
        {"ds_grid_get_disk_sum", {R(1), R(1e300), R(2), R(1)}, R(0)},  // far outside the grid
        {"ds_grid_value_disk_exists", {R(1), R(0), R(0), R(1), R(2)}, R(1)},
        {"ds_grid_value_disk_x", {R(1), R(2), R(2), R(1), R(1)}, R(1)},  // column 1 comes first
        {"ds_grid_value_disk_y", {R(1), R(2), R(2), R(1), R(1)}, R(2)},
        {"ds_grid_value_disk_x", {R(1), R(4), R(4), R(1), R(1)}, R(-1)},
    });
}

TEST_F(DsTest, GridFromGridRegionsResizeAndCopy) {
    RunTable({
        // A row 1 2 3 4 shifted right by one within itself: the region is read whole first.
        {"ds_grid_create", {R(4), R(1)}, R(0)},
        {"ds_grid_set", {R(0), R(0), R(0), R(1)}, R(0)},
        {"ds_grid_set", {R(0), R(1), R(0), R(2)}, R(0)},
        {"ds_grid_set", {R(0), R(2), R(0), R(3)}, R(0)},
        {"ds_grid_set", {R(0), R(3), R(0), R(4)}, R(0)},
        {"ds_grid_set_grid_region", {R(0), R(0), R(2), R(0), R(0), R(0), R(1), R(0)}, R(0)},
        {"ds_grid_get", {R(0), R(0), R(0)}, R(1)},
        {"ds_grid_get", {R(0), R(1), R(0)}, R(1)},
        {"ds_grid_get", {R(0), R(3), R(0)}, R(3)},
        // Another grid's region, clipped on both sides; it lands from (xpos, ypos).
        {"ds_grid_create", {R(2), R(2)}, R(1)},
        {"ds_grid_clear", {R(1), R(10)}, R(0)},
        {"ds_grid_add_grid_region", {R(0), R(1), R(-3), R(-3), R(1), R(1), R(2), R(0)}, R(0)},
        {"ds_grid_get", {R(0), R(2), R(0)}, R(12)},
        {"ds_grid_get", {R(0), R(3), R(0)}, R(13)},
        {"ds_grid_multiply_grid_region", {R(0), R(1), R(0), R(0), R(0), R(0), R(0), R(0)}, R(0)},
        {"ds_grid_get", {R(0), R(0), R(0)}, R(10)},
        // Resizing keeps the cells that remain; new cells are 0.
        {"ds_grid_resize", {R(0), R(2), R(3)}, R(0)},
        {"ds_grid_width", {R(0)}, R(2)},
        {"ds_grid_height", {R(0)}, R(3)},
        {"ds_grid_get", {R(0), R(1), R(0)}, R(1)},
        {"ds_grid_get", {R(0), R(1), R(2)}, R(0)},
        {"ds_grid_resize", {R(0), R(1e6), R(1e6)}, R(0)},  // too large: no change
        {"ds_grid_width", {R(0)}, R(2)},
        {"ds_grid_create", {R(1e6), R(1e6)}, R(-1)},
        {"ds_grid_create", {R(-3), R(2)}, R(2)},
        {"ds_grid_width", {R(2)}, R(0)},
        {"ds_grid_copy", {R(2), R(0)}, R(0)},
        {"ds_grid_height", {R(2)}, R(3)},
        {"ds_grid_get", {R(2), R(0), R(0)}, R(10)},
    });
}

TEST(DsGrid, AddJoinsTextsUpTo1023Bytes) {
    DSValue cell(std::string_view(std::string(1000, 'a')));
    CDS_Grid::Apply(cell, DSCellOp::Add, Text(std::string(100, 'b').c_str()));
    EXPECT_EQ(std::strlen(cell.Text()), CDS_Grid::kMaxAddedText);
    EXPECT_EQ(cell.Text()[1022], 'b');
}

// ---------------------------------------------------------------------------
// Binary string forms

TEST(DsStream, HexFormOfAStream) {
    CStream out;
    out.WriteByte(0x00);
    out.WriteByte(0xAB);
    out.WriteByte(0x5F);
    EXPECT_EQ(out.ToHex(), "00AB5F");
    EXPECT_EQ(CStream().ToHex(), "");

    struct Case {
        const char* text;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"", {}},           {"0a", {0x0A}}, {"fF00", {0xFF, 0x00}}, {"ABC", {0xAB}},  // a lone digit is not a byte
        {"41ZZ42", {0x41}},  // decoding stops at the first non-pair
        {"G0", {}},
    };
    for (const Case& c : cases) {
        CStream in;
        in.FromHex(c.text);
        EXPECT_EQ(std::vector<uint8_t>(in.Data(), in.Data() + in.Size()), c.bytes) << c.text;
        EXPECT_EQ(in.Position(), 0);
    }
}

// The layouts, laid out by hand: integers and lengths 4 bytes little-endian, reals
// 8 bytes little-endian IEEE, a value as kind, real, text.
const std::string kStackOfOne =
    "65000000"
    "01000000"
    "00000000"
    "000000000000F03F"
    "00000000";
const std::string kHandList =
    "2d010000"
    "02000000"  // 301, two values
    "00000000"
    "0000000000000440"
    "00000000"  // 2.5
    "01000000"
    "0000000000000000"
    "02000000"
    "6869";  // "hi"
const std::string kHandGrid =
    "59020000"
    "01000000"
    "02000000"  // 601, 1 x 2
    "00000000"
    "0000000000000840"
    "00000000"  // 3.0
    "01000000"
    "0000000000000000"
    "00000000";  // ""

TEST_F(DsTest, BinaryFormsByHand) {
    RunTable({
        {"ds_stack_create", {}, R(0)},
        {"ds_stack_write",
         {R(0)},
         S("65000000"
           "00000000")},  // an empty stack still has its header
        {"ds_stack_push", {R(0), R(1)}, R(0)},
        {"ds_stack_write", {R(0)}, S(kStackOfOne)},
        {"ds_list_create", {}, R(0)},
        {"ds_list_read", {R(0), S(kHandList)}, R(1)},
        {"ds_list_size", {R(0)}, R(2)},
        {"ds_list_find_value", {R(0), R(0)}, R(2.5)},
        {"ds_list_find_value", {R(0), R(1)}, S("hi")},
        {"ds_list_read", {R(0), S(kStackOfOne)}, R(0)},  // another kind's number
        {"ds_list_size", {R(0)}, R(2)},
        {"ds_grid_create", {R(5), R(5)}, R(0)},
        {"ds_grid_read", {R(0), S(kHandGrid)}, R(1)},
        {"ds_grid_width", {R(0)}, R(1)},
        {"ds_grid_get", {R(0), R(0), R(0)}, R(3)},
        {"ds_grid_get", {R(0), R(0), R(1)}, S("")},
        {"ds_stack_read", {R(0), S("")}, R(0)},
        {"ds_stack_top", {R(0)}, R(1)},
    });
}

template <typename T>
void ExpectRoundTrip(const T& original) {
    T back;
    ASSERT_TRUE(back.Read(original.Write()));
    EXPECT_EQ(back.Write(), original.Write());
}

TEST(DsForms, EveryKindReadsBackWhatItWrote) {
    const CValue values[] = {Real(1.5), Text("text"), Real(-2), Text(""), Real(1e-300)};
    CDS_Stack stack;
    CDS_Queue queue;
    CDS_List list;
    CDS_Priority priority;
    CDS_Grid grid;
    ASSERT_TRUE(grid.Resize(3, 2));
    int i = 0;
    for (const CValue& v : values) {
        stack.Push(v);
        queue.Enqueue(v);
        list.Add(v);
        priority.Add(v, Real(i));
        *grid.Cell(i % 3, i / 3) = v;
        ++i;
    }
    DSValue out;
    queue.Dequeue(out);  // the form keeps start, end and every slot
    ExpectRoundTrip(stack);
    ExpectRoundTrip(queue);
    ExpectRoundTrip(list);
    ExpectRoundTrip(priority);
    ExpectRoundTrip(grid);
    CDS_Queue back;
    ASSERT_TRUE(back.Read(queue.Write()));
    EXPECT_EQ(back.Start(), 1);
    EXPECT_EQ(back.Capacity(), 16);
    EXPECT_STREQ(back.Head()->Text(), "text");
    CDS_Grid gridBack;
    ASSERT_TRUE(gridBack.Read(grid.Write()));
    EXPECT_EQ(gridBack.Cell(2, 0)->val, -2);
    EXPECT_TRUE(gridBack.Cell(0, 1)->IsString());
}

std::string Hex(std::initializer_list<int32_t> ints) {
    CStream s;
    for (int32_t v : ints) s.WriteInt(v);
    return s.ToHex();
}

TEST(DsForms, MalformedStringsAreRefusedAndChangeNothing) {
    const std::string value =
        "00000000"
        "000000000000F03F"
        "00000000";  // the real 1.0
    struct Case {
        const char* what;
        std::string text;
    };
    const Case stackCases[] = {
        {"truncated", kStackOfOne.substr(0, kStackOfOne.size() - 2)},
        {"huge count", Hex({101, 0x7FFFFFFF}) + value},
        {"negative count", Hex({101, -1}) + value},
        {"bad value kind", Hex({101, 1, 7}) + value.substr(8)},
        {"text longer than the rest", Hex({101, 1, 1}) + "0000000000000000" + "FFFFFF7F" + "41"},
        {"not hex inside", kStackOfOne.substr(0, 20) + "ZZ" + kStackOfOne.substr(22)},
        {"no kind number", "6500"},
    };
    CDS_Stack stack;
    stack.Push(Text("keep"));
    const std::string before = stack.Write();
    for (const Case& c : stackCases) {
        EXPECT_FALSE(stack.Read(c.text)) << c.what;
        EXPECT_EQ(stack.Write(), before) << c.what;
    }

    const Case queueCases[] = {
        {"start after end", Hex({201, 1, 2, 2}) + value + value},
        {"end after capacity", Hex({201, 3, 0, 2}) + value + value},
        {"negative start", Hex({201, 1, -1, 2}) + value + value},
        {"huge capacity", Hex({201, 0, 0, 0x40000000}) + value},
    };
    CDS_Queue queue;
    queue.Enqueue(Real(5));
    for (const Case& c : queueCases) {
        EXPECT_FALSE(queue.Read(c.text)) << c.what;
        EXPECT_EQ(queue.Size(), 1) << c.what;
    }

    const Case gridCases[] = {
        {"cells beyond the data", Hex({601, 0x10000, 0x10000}) + value},
        {"negative width", Hex({601, -1, 1}) + value},
        {"short a column", Hex({601, 2, 1}) + value},
    };
    CDS_Grid grid;
    ASSERT_TRUE(grid.Resize(1, 1));
    for (const Case& c : gridCases) {
        EXPECT_FALSE(grid.Read(c.text)) << c.what;
        EXPECT_EQ(grid.Width(), 1) << c.what;
    }

    CDS_Priority priority;
    EXPECT_FALSE(priority.Read(Hex({501, 1}) + value)) << "priorities without values";
    CDS_List list;
    EXPECT_FALSE(list.Read(Hex({301, 0x20000000}) + value)) << "huge count";
    EXPECT_TRUE(list.Read(Hex({301, 1}) + value + "ABCDEF"));  // trailing bytes are ignored
    EXPECT_EQ(list.Size(), 1);
}

}  // namespace
