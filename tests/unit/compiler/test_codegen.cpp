// The code generator's output, held against the listings in golden/: each NAME.gml
// compiles to exactly NAME.lst (offset, instruction, operand; then the debug pairs).
// Run with ZORVEX_UPDATE_GOLDEN=1 to rewrite the listings after a deliberate change,
// and review the diff.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "compiler_fixture.h"
#include "data/game.h"

namespace {

namespace fs = std::filesystem;

fs::path GoldenDirectory() { return fs::path(ZORVEX_SOURCE_DIR) / "tests/unit/compiler/golden"; }

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The listing without its bytes column (variable ids depend on what ran before), then
// the debug pairs as offset and 1-based line:column.
std::string GoldenForm(const CCode& code) {
    std::string out;
    std::istringstream lines(Code_Listing(code));
    for (std::string line; std::getline(lines, line);) out += line.substr(0, 8) + "  " + line.substr(37) + "\n";
    out += "-- debug pairs\n";
    for (const auto& [offset, position] : code.debug.positions) {
        int line = 1, column = 1;
        for (size_t i = 0; i < position && i < code.source.size(); ++i) {
            if (code.source[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        char buf[64];
        std::snprintf(buf, sizeof buf, "%08x %d:%d\n", offset, line, column);
        out += buf;
    }
    return out;
}

TEST_F(CompilerTest, GoldenListings) {
    // Scripts the golden texts may call.
    Scripts({{"scr_two", "return argument0 + argument1"}});
    const bool update = std::getenv("ZORVEX_UPDATE_GOLDEN") != nullptr;
    int checked = 0;
    std::vector<fs::path> sources;
    for (const auto& entry : fs::directory_iterator(GoldenDirectory()))
        if (entry.path().extension() == ".gml") sources.push_back(entry.path());
    std::sort(sources.begin(), sources.end());
    for (const fs::path& source : sources) {
        auto code = Compile(ReadText(source), CCode::kProgram, source.stem().c_str());
        const std::string listing = GoldenForm(*code);
        fs::path expected = source;
        expected.replace_extension(".lst");
        if (update) {
            std::ofstream(expected, std::ios::binary) << listing;
        } else {
            EXPECT_EQ(listing, ReadText(expected)) << source.filename();
        }
        ++checked;
    }
    EXPECT_GE(checked, 8);
}

// The generated code of a unit is its own: strings through its table, and a listing
// that names what it calls.
TEST_F(CompilerTest, UnitOwnsItsCodeAndStrings) {
    auto code = Compile("a = \"one\"; b = \"two\"; c = \"one\"; show_debug_message(a)");
    EXPECT_TRUE(code->FromText());
    EXPECT_EQ(code->strings, (std::vector<std::string>{"one", "two"}));
    const std::string listing = Code_Listing(*code);
    EXPECT_NE(listing.find("push.s      \"two\""), std::string::npos) << listing;
    EXPECT_NE(listing.find("call.i      show_debug_message 1"), std::string::npos) << listing;
    CInstance self(100001, 0);
    EXPECT_EQ(Output(*code, &self), "one\n");

    // A constant expression unit holds its value and no code.
    auto constant = Compile("$10", CCode::kExpression);
    EXPECT_EQ(constant->kind, CCode::kConstant);
    EXPECT_EQ(constant->buffer.size, 0u);
    CValue v;
    EXPECT_TRUE(Code_Execute(nullptr, nullptr, constant.get(), &v));
    EXPECT_EQ(v.val, 16);
}

// Run-time errors of generated code name the line of the statement that failed, the
// last instruction of a statement included.
TEST_F(CompilerTest, MachineErrorsNameTheFailingLine) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"a = 1\nb = \"x\" - 1\nc = 2",
         "DoSub :: Execution Engine - Cannot operate on string type at lines (line 1) - b = \"x\" - 1\n"},
        {"a = 1\nargument_count = 3\nc = 2",
         "Pop :: Execution Error - Variable set problem argument_count at lines (line 1) - argument_count = 3\n"},
        {"a = 1\nfor (i = 0; i < 2; i += 1)\n  if i == 1\n    z = \"a\" + 1",
         "DoAdd :: Execution Error at lines (line 3) -     z = \"a\" + 1\n"},
    };
    for (const Case& c : cases) {
        Code_ResetErrors();
        auto code = Compile(c.text, CCode::kProgram, "lines");
        CInstance self(100001, 0);
        EXPECT_FALSE(Code_Execute(&self, nullptr, code.get(), nullptr));
        EXPECT_NE(Game().error.last.find(c.expected), std::string::npos) << Game().error.last;
    }
}

}  // namespace
