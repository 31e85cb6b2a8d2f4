// Calls into a real dynamic library (the test library beside the runner, and the
// system's maths library) through the external-function built-ins.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "extension/external.h"
#include "function/call_table.h"
#include "platform/console.h"

namespace {

const std::string kLibrary = ZORVEX_BIN_DIR "/libzorvex_test_library.so";

class ExternalTest : public CallTableTest {
protected:
    void SetUp() override {
        CallTableTest::SetUp();
        External_Reset();
    }
    void TearDown() override {
        External_Reset();
        CallTableTest::TearDown();
    }
};

// Ids count from 0 in definition order; each call checks that arguments arrive in
// order and converted, and that results come back with their kind.
TEST_F(ExternalTest, DefineAndCall) {
    const TCallValue lib = S(kLibrary);
    RunTable({
        {"external_define", {lib, S("ext_add"), R(0), R(0), R(2), R(0), R(0)}, R(0)},
        {"external_call", {R(0), R(1.5), R(2.25)}, R(3.75)},
        {"external_call2", {R(0), S("2.5"), R(1)}, R(3.5)},  // a text given for a real is read as a number
        {"external_define2", {lib, S("ext_sub"), R(0), R(0), R(0)}, R(1)},
        {"external_call2", {R(1), R(10), R(4)}, R(6)},
        {"external_define0", {lib, S("ext_zero"), R(0)}, R(2)},
        {"external_call0", {R(2)}, R(42)},
        // stdcall is accepted and called like cdecl.
        {"external_define", {lib, S("ext_join"), R(1), R(1), R(2), R(1), R(1)}, R(3)},
        {"external_call", {R(3), S("ab"), S("cd")}, S("ab+cd")},
        {"external_call2", {R(3), R(1.5), R(2)}, S("1.50+2")},  // reals in their string form
        {"external_define2", {lib, S("ext_repeat"), R(1), R(1), R(0)}, R(4)},
        {"external_call2", {R(4), S("xy"), R(3)}, S("xyxyxy")},
        {"external_define4", {lib, S("ext_mix"), R(1), R(1), R(0), R(1), R(0)}, R(5)},
        {"external_call4", {R(5), S("a"), R(1), S("b"), R(2.5)}, S("a1b2.5")},
        {"external_define1", {lib, S("ext_length"), R(0), R(1)}, R(6)},
        {"external_call1", {R(6), S("hello")}, R(5)},
        {"external_define0", {lib, S("ext_null"), R(1)}, R(7)},
        {"external_call0", {R(7)}, S("")},  // a null string result is the empty text
        {"external_define8", {lib, S("ext_weigh8"), R(0)}, R(8)},
        {"external_call8", {R(8), R(1), R(2), R(3), R(4), R(5), R(6), R(7), R(8)}, R(204)},
        {"external_define",
         {lib, S("ext_weigh8"), R(0), R(0), R(8), R(0), R(0), R(0), R(0), R(0), R(0), R(0), R(0)},
         R(9)},
        {"external_call", {R(9), R(8), R(7), R(6), R(5), R(4), R(3), R(2), R(1)}, R(120)},
        // The system's maths library, by the name the loader knows it by.
        {"external_define", {S("libm.so.6"), S("pow"), R(0), R(0), R(2), R(0), R(0)}, R(10)},
        {"external_call", {R(10), R(2), R(10)}, R(1024)},
        {"external_define1", {S("libm.so.6"), S("cos"), R(0), R(0)}, R(11)},
        {"external_call1", {R(11), R(0)}, R(1)},
        // A count other than the defined one, or an unknown id: 0 and no call.
        {"external_call", {R(0), R(1)}, R(0)},
        {"external_call", {R(3), S("a"), S("b"), S("c")}, R(0)},
        {"external_call", {R(12)}, R(0)},
        {"external_call", {R(-1), R(1), R(2)}, R(0)},
        {"external_call", {}, R(0)},
    });
}

// Refusals give -1 with their own message and define nothing: the next good
// definition still gets id 0.
TEST_F(ExternalTest, DefinitionErrors) {
    const TCallValue lib = S(kLibrary);
    const char* const kCount = "Wrong number of arguments to external_define()";
    const char* const kDefine = "Error defining an external function.";
    RunTable({
        {"external_define", {lib, S("ext_add"), R(0), R(0)}, R(-1), kCount},
        {"external_define", {lib, S("ext_add"), R(0), R(0), R(2), R(0)}, R(-1), kCount},
        {"external_define", {lib, S("ext_add"), R(0), R(0), R(1), R(0), R(0)}, R(-1), kCount},
        {"external_define", {lib, S("ext_add"), R(0), R(0), R(-1)}, R(-1), kCount},
        {"external_define",
         {lib, S("ext_add"), R(0), R(0), R(17)},
         R(-1),
         "DLL functions can have at most 16 arguments"},
        {"external_define",
         {lib, S("ext_weigh8"), R(0), R(0), R(5), R(0), R(0), R(1), R(0), R(0)},
         R(-1),
         "DLL functions with more than 4 arguments cannot have string arguments"},
        {"external_define", {S("no_such_library_here.so"), S("f"), R(0), R(0), R(0)}, R(-1), kDefine},
        {"external_define", {lib, S("no_such_function"), R(0), R(0), R(0)}, R(-1), kDefine},
        {"external_define", {lib, S(""), R(0), R(0), R(0)}, R(-1), kDefine},
        {"external_define0", {S(""), S("ext_zero"), R(0)}, R(-1), kDefine},
        {"external_define", {lib, S("ext_add"), R(0), R(0), R(2), R(0), R(0)}, R(0)},
    });
}

// One library is opened once however many functions come from it; freeing it closes
// it and its functions stop answering until it is defined again.
TEST_F(ExternalTest, LibraryOpenedOnceAndFreed) {
    std::string error;
    const CExternalSignature twoReals{kExternalCdecl, kExternalReal, {kExternalReal, kExternalReal}};
    const int add = External_Define(kLibrary, "ext_add", twoReals, error);
    const int sub = External_Define(kLibrary, "ext_sub", twoReals, error);
    ASSERT_GE(add, 0) << error;
    ASSERT_GE(sub, 0) << error;
    EXPECT_EQ(External_OpenLibraryCount(), 1);
    ASSERT_GE(External_Define("libm.so.6", "pow", twoReals, error), 0) << error;
    EXPECT_EQ(External_OpenLibraryCount(), 2);

    const CValue args[2] = {CValue(7.0), CValue(2.0)};
    CValue result;
    EXPECT_TRUE(External_Call(sub, 2, args, result));
    EXPECT_EQ(result.val, 5.0);
    EXPECT_TRUE(External_Free(kLibrary));
    EXPECT_FALSE(External_Free(kLibrary));
    EXPECT_EQ(External_OpenLibraryCount(), 1);
    EXPECT_FALSE(External_Call(add, 2, args, result));
    EXPECT_EQ(result.val, 0.0);
    const int again = External_Define(kLibrary, "ext_add", twoReals, error);
    ASSERT_GE(again, 0) << error;
    EXPECT_TRUE(External_Call(again, 2, args, result));
    EXPECT_EQ(result.val, 9.0);
}

// Sixteen reals, the most a definition can take (beyond what a script call can list).
TEST_F(ExternalTest, SixteenArguments) {
    std::string error;
    const CExternalSignature sixteen{kExternalCdecl, kExternalReal, std::vector<int>(16, kExternalReal)};
    const int id = External_Define(kLibrary, "ext_weigh16", sixteen, error);
    ASSERT_GE(id, 0) << error;
    std::vector<CValue> args;
    for (int i = 1; i <= 16; ++i) args.emplace_back(double(i));
    CValue result;
    EXPECT_TRUE(External_Call(id, 16, args.data(), result));
    EXPECT_EQ(result.val, 1496.0);  // the sum of the squares 1..16
    EXPECT_FALSE(External_Call(id, 15, args.data(), result));
}

// "-ext": definitions and calls go to the diagnostic log, and only while traced.
TEST_F(ExternalTest, TraceToLog) {
    std::filesystem::create_directories(ZORVEX_TEST_TMP);
    const std::string log = ZORVEX_TEST_TMP "/external_trace.log";
    ASSERT_TRUE(Console().SetTarget(log));
    std::string error;
    const CExternalSignature none{};
    External_SetTrace(true);
    const int id = External_Define(kLibrary, "ext_zero", none, error);
    CValue result;
    External_Call(id, 0, nullptr, result);
    External_SetTrace(false);
    External_Call(id, 0, nullptr, result);
    Console().SetTarget("");
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    const std::string lines = text.str();
    EXPECT_NE(lines.find("external_define(\"" + kLibrary + "\", \"ext_zero\") = 0"), std::string::npos) << lines;
    const size_t call = lines.find("external_call(0) ext_zero");
    EXPECT_NE(call, std::string::npos) << lines;
    EXPECT_EQ(lines.find("external_call", call + 1), std::string::npos) << lines;
}

TEST(ExternalNames, DecoratedForm) {
    struct Case {
        const char* name;
        std::vector<int> types;
        const char* expected;
    };
    const Case cases[] = {
        {"f", {}, "_f@0"},
        {"ext_mul", {kExternalReal, kExternalReal}, "_ext_mul@16"},
        {"g", {kExternalString, kExternalReal, kExternalString}, "_g@16"},
        {"h", {kExternalString}, "_h@4"},
    };
    for (const Case& c : cases) EXPECT_EQ(External_DecoratedName(c.name, c.types), c.expected) << c.name;
}

}  // namespace
