#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "data/error.h"
#include "data/game.h"
#include "function/function_variable.h"
#include "io/stream.h"
#include "object/instance.h"
#include "room/room.h"
#include "variable/variable_list.h"
#include "variable/variables.h"
#include "vm/machine.h"

namespace {

CValue Real(double v) { return CValue(v); }
CValue Text(const char* t) { return CValue(std::string_view(t)); }

// Reads through a list, returning whether it succeeded.
bool Read(const CVariableList& list, int32_t id, int32_t index, CValue& out) { return list.Get(id, index, out); }

double RealAt(const CVariableList& list, int32_t id, int32_t index = 0) {
    CValue v(-999.0);
    return list.Get(id, index, v) ? v.val : -999.0;
}

std::vector<int32_t> Chain(const CVariableList& list, int bucket) {
    std::vector<int32_t> ids;
    for (const CVariable* n = list.BucketHead(bucket); n; n = n->next.get()) ids.push_back(n->id);
    return ids;
}

class VariableTest : public ::testing::Test {
protected:
    void SetUp() override {
        Variable_RegisterBuiltins();
        Variable_SetUnsetIsZero(true);
        Game().error.settings.showErrors = false;
    }
    void TearDown() override { Variable_SetUnsetIsZero(true); }

    CGameSession session_;
};

// ---------------------------------------------------------------------------
// Arrays in one list

TEST_F(VariableTest, ArraysGrowByRowAndColumnAndRefuseOutsideStorage) {
    CVariableList list;
    const int32_t a = 100000;
    ASSERT_TRUE(list.Set(a, 3, Real(7)));
    const CVariable* node = list.Find(a);
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->RowCount(), 1);
    EXPECT_EQ(node->rows[0].elements.size(), 4u);

    CValue v(5.0);
    EXPECT_TRUE(Read(list, a, 2, v));
    EXPECT_TRUE(v.IsReal());
    EXPECT_EQ(v.val, 0.0);
    EXPECT_FALSE(Read(list, a, 5, v));
    EXPECT_TRUE(Game().indexError);
    EXPECT_EQ(v.val, 0.0);

    // The plain value is index 0; row storage element (0,0) is left alone.
    ASSERT_TRUE(list.Set(a, 0, Real(9)));
    EXPECT_FALSE(Game().indexError);
    EXPECT_EQ(RealAt(list, a, 0), 9.0);
    EXPECT_EQ(node->value.val, 9.0);
    EXPECT_EQ(node->rows[0].elements[0].val, 0.0);
    EXPECT_EQ(RealAt(list, a, 3), 7.0);

    // a[1,2]: a second row of three elements, the first row untouched.
    ASSERT_TRUE(list.Set(a, 32002, Text("two")));
    ASSERT_EQ(node->RowCount(), 2);
    EXPECT_EQ(node->rows[0].elements.size(), 4u);
    EXPECT_EQ(node->rows[1].elements.size(), 3u);
    ASSERT_TRUE(Read(list, a, 32002, v));
    EXPECT_STREQ(v.Text(), "two");
    EXPECT_FALSE(Read(list, a, 5, v));  // a[0,5]
    EXPECT_FALSE(Read(list, a, 32003, v));
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(VariableTest, NegativeIndexFailsOnReadAndWriteAndStoresNothing) {
    for (int32_t index : {-1, -31999, -32000, -32001, INT32_MIN}) {
        SCOPED_TRACE(index);
        CVariableList list;
        list.Set(100000, 1, Real(1));
        EXPECT_FALSE(list.Set(100000, index, Real(5)));
        EXPECT_TRUE(Game().indexError);
        EXPECT_FALSE(list.Set(100001, index, Real(5)));
        EXPECT_EQ(list.Count(), 1);  // no node made for the refused store
        CValue v;
        EXPECT_FALSE(list.Get(100000, index, v));
        EXPECT_TRUE(Game().indexError);
        EXPECT_TRUE(list.Get(100000, 1, v));  // the flag is cleared by the next access
        EXPECT_FALSE(Game().indexError);
    }
}

TEST_F(VariableTest, UnsetVariableReadsZeroOnlyWhileTheOptionSaysSo) {
    CVariableList list;
    for (bool zero : {true, false}) {
        Variable_SetUnsetIsZero(zero);
        for (int32_t index : {0, 7}) {
            CValue v(3.0);
            EXPECT_EQ(list.Get(100123, index, v), zero) << index;
            EXPECT_EQ(v.val, 0.0);
            EXPECT_FALSE(Game().indexError);
        }
    }
}

TEST_F(VariableTest, ClearedNodesAreReusedWithoutOldContent) {
    CVariableList list;
    list.Set(100000, 32005, Text("old"));
    list.Clear();
    const int parked = Variable_FreeNodeCount();
    EXPECT_GE(parked, 1);
    EXPECT_EQ(list.Count(), 0);
    list.Set(100001, 0, Real(2));
    EXPECT_EQ(Variable_FreeNodeCount(), parked - 1);
    const CVariable* node = list.Find(100001);
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(node->rows.empty());
    EXPECT_EQ(node->previousAdded, nullptr);
    EXPECT_EQ(list.Find(100000), nullptr);
}

TEST_F(VariableTest, CopyIsDeepAndKeepsOrder) {
    CVariableList source;
    for (int32_t id : {100000, 100064, 100001, 100128}) source.Set(id, 0, Real(id));
    source.Set(100064, 32001, Text("deep"));
    source.Set(100000, 0, Text("plain"));

    CVariableList copy;
    copy.Set(100500, 0, Real(1));  // replaced by the copy
    copy.CopyFrom(source);
    EXPECT_EQ(copy.Count(), 4);
    EXPECT_EQ(copy.Find(100500), nullptr);
    for (int b = 0; b < kVariableBuckets; ++b) EXPECT_EQ(Chain(copy, b), Chain(source, b));
    EXPECT_EQ(copy.LastAdded()->id, 100128);

    source.Set(100064, 32001, Text("changed"));
    source.Set(100000, 0, Real(0));
    CValue v;
    ASSERT_TRUE(copy.Get(100064, 32001, v));
    EXPECT_STREQ(v.Text(), "deep");
    ASSERT_TRUE(copy.Get(100000, 0, v));
    EXPECT_STREQ(v.Text(), "plain");
}

// ---------------------------------------------------------------------------
// Scopes

class VariableScopeTest : public VariableTest {
protected:
    static constexpr int kObject = 3;
    static constexpr int kOtherObject = 5;
    static constexpr int kEmptyObject = 9;
    static constexpr int kA = 1, kB = 2, kM = 4, kG = 8, kL = 16;

    void SetUp() override {
        VariableTest::SetUp();
        id_ = Variable_Find("scope_test_v");
        res_.objects.resize(6);
        for (int o : {kObject, kOtherObject})
            if (!res_.objects[o]) res_.objects[o] = std::make_unique<CObject>();
        room_ = std::make_unique<CRoom>();
        Game().world->room = room_.get();
        // The marked instance of the same object comes first: it must be skipped.
        marked_ = Instance_Place(*room_, 0, 0, kObject, 100010);
        a_ = Instance_Place(*room_, 0, 0, kObject, 100001);
        b_ = Instance_Place(*room_, 0, 0, kOtherObject, 100002);
        marked_->marked = true;
        a_->variables->Set(id_, 0, Real(1));
        b_->variables->Set(id_, 0, Real(2));
        marked_->variables->Set(id_, 0, Real(99));
        Variable_GlobalSet(id_, 0, Real(5));
        locals_.Set(id_, 0, Real(7));
        where_ = VariableScope{a_, b_, &locals_};
    }
    void TearDown() override {
        VariableTest::TearDown();
        room_.reset();
    }

    // Which stores hold 42 after a write.
    int Written() {
        int mask = 0;
        CValue v;
        if (a_->variables->Get(id_, 0, v) && v.val == 42) mask |= kA;
        if (b_->variables->Get(id_, 0, v) && v.val == 42) mask |= kB;
        if (marked_->variables->Get(id_, 0, v) && v.val == 42) mask |= kM;
        if (Variable_GlobalGet(id_, 0, v) && v.val == 42) mask |= kG;
        if (locals_.Get(id_, 0, v) && v.val == 42) mask |= kL;
        return mask;
    }

    int32_t id_ = 0;
    CGameResources& res_ = *Game().resources;
    std::unique_ptr<CRoom> room_;
    CInstance* a_ = nullptr;
    CInstance* b_ = nullptr;
    CInstance* marked_ = nullptr;
    CVariableList locals_;
    VariableScope where_;
};

struct ScopeCase {
    int32_t scope;
    bool readOk;
    double readValue;
    bool writeOk;
    int written;
};

TEST_F(VariableScopeTest, EveryOperandReadsAndWritesItsScope) {
    const ScopeCase cases[] = {
        {kScopeSelf, true, 1, true, kA},
        {kScopeOther, true, 2, true, kB},
        {kScopeAll, true, 1, true, kA | kB},
        {kScopeNoone, true, 0, true, 0},
        {kScopeGlobal, true, 5, true, kG},
        {kScopeUnqualified, true, 1, true, kA},  // not declared global: self
        {kScopeLocal, true, 7, true, kL},
        {kObject, true, 1, true, kA},
        {kOtherObject, true, 2, true, kB},
        {kEmptyObject, false, 0, true, 0},
        {100002, true, 2, true, kB},
        {100010, false, 0, true, 0},  // marked
        {100099, false, 0, true, 0},  // missing
        {-8, false, 0, false, 0},
        {-1000, false, 0, false, 0},
    };
    for (const ScopeCase& c : cases) {
        SCOPED_TRACE(c.scope);
        SetUp();
        CValue v(-1.0);
        EXPECT_EQ(Variable_GetByScope(c.scope, id_, 0, v, where_), c.readOk);
        EXPECT_EQ(v.val, c.readValue);
        EXPECT_EQ(Variable_SetByScope(c.scope, id_, 0, Real(42), where_), c.writeOk);
        EXPECT_EQ(Written(), c.written);
        TearDown();
    }
}

TEST_F(VariableScopeTest, GlobalvarRoutesUnqualifiedAccessToTheGlobalList) {
    const int32_t fresh = Variable_Find("scope_test_declared");
    a_->variables->Set(fresh, 0, Real(11));
    Variable_DeclareGlobal(fresh);
    Variable_DeclareGlobal(id_);
    Variable_DeclareGlobal(2);  // built-ins are never global
    EXPECT_TRUE(Variable_IsDeclaredGlobal(fresh));
    EXPECT_FALSE(Variable_IsDeclaredGlobal(2));
    EXPECT_FALSE(Variable_IsDeclaredGlobal(INT32_MAX));

    CValue v(-1.0);
    ASSERT_TRUE(Variable_GetByScope(kScopeUnqualified, fresh, 0, v, where_));
    EXPECT_EQ(v.val, 0.0);  // the declaration made a global node, self's own is ignored
    EXPECT_NE(Game().globals->list->Find(fresh), nullptr);
    ASSERT_TRUE(Variable_GetByScope(kScopeUnqualified, id_, 0, v, where_));
    EXPECT_EQ(v.val, 5.0);  // an existing global keeps its value
    ASSERT_TRUE(Variable_SetByScope(kScopeUnqualified, id_, 0, Real(42), where_));
    EXPECT_EQ(Written(), kG);
}

TEST_F(VariableScopeTest, MissingScopesFail) {
    const VariableScope nobody{};
    CValue v;
    EXPECT_FALSE(Variable_GetByScope(kScopeSelf, id_, 0, v, nobody));
    EXPECT_FALSE(Variable_SetByScope(kScopeSelf, id_, 0, Real(1), nobody));
    EXPECT_FALSE(Variable_GetByScope(kScopeLocal, id_, 0, v, nobody));
    EXPECT_FALSE(Variable_SetByScope(kScopeLocal, id_, 0, Real(1), nobody));
    // Only the marked instance left in the active list.
    a_->deactivated = b_->deactivated = true;
    Instance_ResortLists(*room_);
    EXPECT_FALSE(Variable_GetByScope(kScopeAll, id_, 0, v, where_));
    EXPECT_TRUE(Variable_SetByScope(kScopeAll, id_, 0, Real(42), where_));
    EXPECT_EQ(Written(), 0);
    // An array index error comes back through the flag.
    EXPECT_FALSE(Variable_GetByScope(kScopeSelf, id_, 40, v, where_));
    EXPECT_TRUE(Game().indexError);
    EXPECT_FALSE(Variable_SetByScope(kScopeOther, id_, -3, Real(1), where_));
    EXPECT_TRUE(Game().indexError);
}

TEST_F(VariableTest, LocalsArePooledByDepthAndHandedOutEmpty) {
    EXPECT_EQ(Variable_LocalsForDepth(-1), nullptr);
    CVariableList* one = Variable_LocalsForDepth(1);
    CVariableList* three = Variable_LocalsForDepth(3);
    ASSERT_NE(one, nullptr);
    ASSERT_NE(three, nullptr);
    EXPECT_NE(one, three);
    one->Set(100000, 0, Real(1));
    three->Set(100000, 0, Real(3));
    EXPECT_EQ(Variable_LocalsForDepth(1), one);
    EXPECT_EQ(one->Count(), 0);
    EXPECT_EQ(three->Count(), 1);
    Variable_LocalsForDepth(3);
}

// ---------------------------------------------------------------------------
// Built-in variables and names

TEST_F(VariableTest, NamesAndIdsRoundTrip) {
    EXPECT_EQ(Variable_Find("argument_relative"), 0);
    EXPECT_EQ(Variable_Find("argument0"), 2);
    // The machine reads argument0 .. argument15 by id arithmetic.
    for (int n = 0; n < kArgumentSlotCount; ++n) EXPECT_EQ(Variable_Find("argument" + std::to_string(n)), 2 + n) << n;
    EXPECT_EQ(Variable_Find("debug_mode"), 19);
    EXPECT_STREQ(Variable_Name(Variable_BuiltinCount() - 1), "browser_height");
    // Every built-in name finds its own entry, so none is registered twice.
    for (int i = 0; i < Variable_BuiltinCount(); ++i) EXPECT_EQ(Variable_Find(Variable_Name(i)), i) << i;

    const int32_t user = Variable_Find("names_test_fresh");
    EXPECT_GE(user, kUserVariableBase);
    EXPECT_EQ(Variable_Find("names_test_fresh"), user);
    EXPECT_EQ(Variable_Find("Names_test_fresh"), user + 1);  // case matters
    EXPECT_STREQ(Variable_Name(user), "names_test_fresh");
    EXPECT_STREQ(Variable_Name(-1), "<unknown built-in variable>");
    EXPECT_STREQ(Variable_Name(kBuiltinVariableCapacity), "<unknown built-in variable>");
    EXPECT_STREQ(Variable_Name(kUserVariableBase + Variable_NameCount()), "<unknown variable>");
}

TEST_F(VariableTest, BuiltinArgumentsReadAndWriteTheSlots) {
    CInstance self(100001, 0);
    for (int i = 0; i < kArgumentSlotCount; ++i) Game().arguments.slots[i].SetReal(i * 10);
    Game().arguments.slots[3].SetString("three");
    const int32_t argument = Variable_Find("argument");
    CValue v;
    struct {
        int32_t index;
        double value;
    } reads[] = {{0, 0}, {5, 50}, {15, 150}, {16, 0}, {-1, 0}, {32001, 0}};
    for (const auto& r : reads) {
        ASSERT_TRUE(Variable_InstanceGet(&self, argument, r.index, v)) << r.index;
        EXPECT_EQ(v.val, r.value) << r.index;
    }
    ASSERT_TRUE(Variable_InstanceGet(&self, Variable_Find("argument3"), 0, v));
    EXPECT_STREQ(v.Text(), "three");

    ASSERT_TRUE(Variable_InstanceSet(&self, argument, 20, Real(-7)));
    EXPECT_EQ(Game().arguments.slots[0].val, -7);
    ASSERT_TRUE(Variable_InstanceSet(nullptr, Variable_Find("argument15"), 0, Text("last")));
    EXPECT_STREQ(Game().arguments.slots[15].Text(), "last");

    Game().arguments.count = 3;
    ASSERT_TRUE(Variable_InstanceGet(&self, Variable_Find("argument_count"), 0, v));
    EXPECT_EQ(v.val, 3);
}

TEST_F(VariableTest, ReadOnlyAndUnknownBuiltinsRefuseWrites) {
    CInstance self(100001, 0);
    CValue v;
    for (const char* name :
         {"argument_count", "debug_mode", "async_load", "room_first", "instance_count", "argument_relative", "id"}) {
        EXPECT_FALSE(Variable_InstanceSet(&self, Variable_Find(name), 0, Real(1))) << name;
        EXPECT_TRUE(Variable_InstanceGet(&self, Variable_Find(name), 0, v)) << name;
    }
    // Ids past the table are no variables at all.
    EXPECT_FALSE(Variable_InstanceGet(&self, Variable_BuiltinCount(), 0, v));
    EXPECT_FALSE(Variable_InstanceSet(&self, 9999, 0, Real(1)));
    // 10000 and up is storage, even below the user name range.
    EXPECT_TRUE(Variable_InstanceSet(&self, 10000, 0, Real(4)));
    EXPECT_EQ(RealAt(*self.variables, 10000), 4.0);

    Variable_SetDebugMode(true);
    ASSERT_TRUE(Variable_InstanceGet(&self, Variable_Find("debug_mode"), 0, v));
    EXPECT_EQ(v.val, 1.0);
    Variable_SetDebugMode(false);
}

TEST_F(VariableTest, ErrorVariablesReachTheErrorState) {
    const int32_t occurred = Variable_Find("error_occurred");
    const int32_t last = Variable_Find("error_last");
    CValue v;
    Game().error.last = "boom";
    Game().error.occurred = true;
    ASSERT_TRUE(Variable_InstanceGet(nullptr, last, 0, v));
    EXPECT_TRUE(v.IsString());
    EXPECT_STREQ(v.Text(), "boom");
    ASSERT_TRUE(Variable_InstanceGet(nullptr, occurred, 0, v));
    EXPECT_EQ(v.val, 1.0);
    ASSERT_TRUE(Variable_InstanceSet(nullptr, occurred, 0, Real(0.4)));
    EXPECT_FALSE(Game().error.occurred);
    ASSERT_TRUE(Variable_InstanceSet(nullptr, last, 0, Text("")));
    EXPECT_EQ(Game().error.last, "");
}

// ---------------------------------------------------------------------------
// Stream and text forms

void FillSample(CVariableList& list) {
    list.Set(100000, 0, Real(1.5));
    list.Set(100064, 0, Text("same bucket"));
    list.Set(100128, 32000 * 2 + 1, Real(-4));
    list.Set(100128, 3, Text("row0"));
    list.Set(100128, 0, Text("plain"));
    list.Set(100007, 0, Real(0));
}

void ExpectSameContent(const CVariableList& got, const CVariableList& want) {
    ASSERT_EQ(got.Count(), want.Count());
    for (const CVariable* n = want.LastAdded(); n; n = n->previousAdded) {
        const CVariable* m = got.Find(n->id);
        ASSERT_NE(m, nullptr) << n->id;
        EXPECT_EQ(m->value.kind, n->value.kind);
        EXPECT_EQ(m->value.val, n->value.val);
        EXPECT_STREQ(m->value.Text(), n->value.Text());
        ASSERT_EQ(m->RowCount(), n->RowCount());
        for (int r = 0; r < n->RowCount(); ++r) {
            ASSERT_EQ(m->rows[r].elements.size(), n->rows[r].elements.size());
            for (size_t e = 0; e < n->rows[r].elements.size(); ++e) {
                EXPECT_EQ(m->rows[r].elements[e].kind, n->rows[r].elements[e].kind);
                EXPECT_EQ(m->rows[r].elements[e].val, n->rows[r].elements[e].val);
                EXPECT_STREQ(m->rows[r].elements[e].Text(), n->rows[r].elements[e].Text());
            }
        }
    }
}

TEST_F(VariableTest, StreamRoundTripRestoresNodesAndReversesBuckets) {
    CVariableList source;
    FillSample(source);
    CStream stream;
    ASSERT_TRUE(source.WriteToStream(stream));
    stream.Seek(0);
    EXPECT_EQ(stream.ReadInt(), 442);
    stream.Seek(0);

    CVariableList read;
    read.Set(100999, 0, Real(1));  // replaced
    ASSERT_TRUE(read.ReadFromStream(stream));
    EXPECT_EQ(stream.Remaining(), 0);
    ExpectSameContent(read, source);
    EXPECT_EQ(read.Find(100999), nullptr);
    // 100000, 100064 and 100128 share bucket 32; the newest heads the chain.
    ASSERT_EQ(Chain(source, 32), (std::vector<int32_t>{100128, 100064, 100000}));
    EXPECT_EQ(Chain(read, 32), (std::vector<int32_t>{100000, 100064, 100128}));
    EXPECT_EQ(Chain(read, Variable_Bucket(100007)), (std::vector<int32_t>{100007}));
}

TEST_F(VariableTest, DamagedStreamsAreRefusedAndLeaveTheListAlone) {
    CVariableList source;
    FillSample(source);
    CStream good;
    ASSERT_TRUE(source.WriteToStream(good));
    const std::vector<uint8_t> bytes(good.Data(), good.Data() + good.Size());

    CVariableList target;
    target.Set(100500, 0, Real(8));
    // Every truncation point.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        CStream s(bytes.data(), static_cast<int64_t>(cut));
        EXPECT_FALSE(target.ReadFromStream(s)) << cut;
    }
    // Versions: 440 reads like 442, others are refused.
    for (int32_t version : {440, 442, 443, 439, 700, 0, -1}) {
        std::vector<uint8_t> patched = bytes;
        std::memcpy(patched.data(), &version, 4);
        CStream s(patched.data(), static_cast<int64_t>(patched.size()));
        CVariableList list;
        EXPECT_EQ(list.ReadFromStream(s), version == 440 || version == 442) << version;
    }
    // Absurd counts must not allocate: node count, then a row count.
    for (int32_t count : {-1, INT32_MAX}) {
        CStream s;
        s.WriteInt(442);
        s.WriteInt(1);
        s.WriteInt(100000);
        s.WriteInt(0);
        s.WriteReal(0);
        s.WriteString("");
        s.WriteInt(count);
        s.Seek(0);
        EXPECT_FALSE(target.ReadFromStream(s)) << count;
        CStream n;
        n.WriteInt(442);
        n.WriteInt(count);
        n.Seek(0);
        EXPECT_FALSE(target.ReadFromStream(n)) << count;
    }
    EXPECT_EQ(target.Count(), 1);
    EXPECT_EQ(RealAt(target, 100500), 8.0);
}

TEST_F(VariableTest, ReadsTheSquareVersion441Form) {
    CStream s;
    s.WriteInt(441);
    s.WriteInt(2);
    // A plain node: no elements.
    s.WriteInt(100003);
    s.WriteInt(CValue::kString);
    s.WriteReal(0);
    s.WriteString("hello");
    s.WriteInt(0);
    // Two rows of three elements each: n = 2 * 32000 + 3.
    s.WriteInt(100004);
    s.WriteInt(CValue::kReal);
    s.WriteReal(9);
    s.WriteString("");
    s.WriteInt(2 * 32000 + 3);
    for (int e = 0; e < 6; ++e) {
        s.WriteInt(e == 4 ? CValue::kString : CValue::kReal);
        s.WriteReal(e);
        s.WriteString(e == 4 ? "four" : "");
    }
    s.Seek(0);
    CVariableList list;
    ASSERT_TRUE(list.ReadFromStream(s));
    EXPECT_EQ(s.Remaining(), 0);
    CValue v;
    ASSERT_TRUE(list.Get(100003, 0, v));
    EXPECT_STREQ(v.Text(), "hello");
    const CVariable* node = list.Find(100004);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->value.val, 9);
    ASSERT_EQ(node->RowCount(), 2);
    ASSERT_EQ(node->rows[1].elements.size(), 3u);
    EXPECT_EQ(RealAt(list, 100004, 2), 2.0);
    EXPECT_EQ(RealAt(list, 100004, 32000), 3.0);
    ASSERT_TRUE(list.Get(100004, 32001, v));
    EXPECT_STREQ(v.Text(), "four");
}

TEST_F(VariableTest, DumpPrintsEachNodeInBucketOrder) {
    // Built-in ids give fixed names and buckets 2..5.
    CVariableList list;
    list.Set(3, 0, Text("hi"));
    list.Set(2, 0, Real(-3));
    list.Set(4, 0, Real(1.5));
    list.Set(5, 1, Real(2));
    list.Set(5, 32000, Text("x"));
    EXPECT_EQ(list.Dump(),
              "argument0 = -3\n"
              "argument1 = \"hi\"\n"
              "argument2 = 1.500000\n"
              "argument3 = { { 0 ,2},  { \"x\"},   }\n");
}

TEST_F(VariableTest, GlobalStateRoundTripsThroughItsStreamForm) {
    const int32_t g = Variable_Find("globals_stream_g");
    Variable_DeclareGlobal(g);
    Variable_GlobalSet(g, 2, Text("kept"));
    CStream s;
    ASSERT_TRUE(Variable_WriteGlobals(s));
    Variable_StartGlobals();
    EXPECT_FALSE(Variable_IsDeclaredGlobal(g));
    s.Seek(0);
    ASSERT_TRUE(Variable_ReadGlobals(s));
    EXPECT_TRUE(Variable_IsDeclaredGlobal(g));
    CValue v;
    ASSERT_TRUE(Variable_GlobalGet(g, 2, v));
    EXPECT_STREQ(v.Text(), "kept");
}

// ---------------------------------------------------------------------------
// variable_* functions

TBuiltinFunction Handler(const char* name) {
    for (size_t i = 0; i < kVariableFunctionCount; ++i)
        if (std::strcmp(kVariableFunctions[i].name, name) == 0) return kVariableFunctions[i].handler;
    ADD_FAILURE() << name;
    return nullptr;
}

CValue Call(const char* name, CInstance* self, std::vector<CValue> args) {
    CValue result;
    if (TBuiltinFunction f = Handler(name)) f(result, self, nullptr, static_cast<int>(args.size()), args.data());
    return result;
}

TEST_F(VariableTest, GlobalAndLocalFunctionsReachTheirScopes) {
    CInstance self(100001, 0);
    for (const char* scope : {"global", "local"}) {
        SCOPED_TRACE(scope);
        const std::string prefix = std::string("variable_") + scope + "_";
        const std::string name = std::string("fn_test_") + scope;
        auto call = [&](const char* fn, std::vector<CValue> args) {
            args.insert(args.begin(), Text(name.c_str()));
            return Call((prefix + fn).c_str(), &self, std::move(args));
        };
        call("set", {Text("v")});
        EXPECT_STREQ(call("get", {}).Text(), "v");
        // Indices round half to even.
        call("array_set", {Real(2.5), Real(20)});
        call("array_set", {Real(3.5), Real(40)});
        EXPECT_EQ(call("array_get", {Real(2)}).val, 20);
        EXPECT_EQ(call("array_get", {Real(4)}).val, 40);
        call("array2_set", {Real(1), Real(1.5), Real(12)});
        EXPECT_EQ(call("array2_get", {Real(0.6), Real(2.4)}).val, 12);

        // 32000 and more: an error, and nothing read or written.
        for (int which = 0; which < 3; ++which) {
            Code_ResetErrors();
            CValue got;
            if (which == 0) got = call("array_get", {Real(32000)});
            if (which == 1) call("array2_set", {Real(0), Real(32000), Real(1)});
            if (which == 2) got = call("array2_get", {Real(40000), Real(0)});
            EXPECT_NE(Game().error.last.find("Array index >= 32000"), std::string::npos) << which;
            EXPECT_EQ(got.val, 0);
        }
        const CVariableList& store = std::string(scope) == "global" ? *Game().globals->list : *self.variables;
        const CVariable* node = store.Find(Variable_Find(name));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->RowCount(), 2);
        EXPECT_EQ(node->rows[0].elements.size(), 5u);

        // Negative or unusable indices just fail.
        call("array_set", {Real(-1), Real(5)});
        call("array_set", {Real(NAN), Real(5)});
        EXPECT_EQ(call("array_get", {Real(-1e300)}).val, 0);
        EXPECT_EQ(node->rows[0].elements.size(), 5u);
        EXPECT_EQ(Call((prefix + "get").c_str(), &self, {}).val, 0);  // too few arguments
    }
}

TEST_F(VariableTest, ExistsFollowsTheUnsetOption) {
    CInstance self(100001, 0);
    for (bool zero : {true, false}) {
        Variable_SetUnsetIsZero(zero);
        EXPECT_EQ(Call("variable_global_exists", &self, {Text("exists_test_never")}).val, zero ? 1 : 0);
        EXPECT_EQ(Call("variable_local_exists", &self, {Text("exists_test_never")}).val, zero ? 1 : 0);
        EXPECT_EQ(Call("variable_local_exists", &self, {Text("x")}).val, 1);  // built-ins always exist
    }
    Call("variable_global_set", &self, {Text("exists_test_set"), Real(1)});
    EXPECT_EQ(Call("variable_global_exists", &self, {Text("exists_test_set")}).val, 1);
    EXPECT_EQ(Call("variable_local_exists", nullptr, {Text("exists_test_set")}).val, 0);
}

}  // namespace
