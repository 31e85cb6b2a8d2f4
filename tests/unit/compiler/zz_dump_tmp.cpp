#include "compiler_fixture.h"
#include <fstream>
#include "platform/console.h"
#include <sstream>
TEST_F(CompilerTest, DumpListing) {
    std::ifstream in(std::getenv("GML")); std::stringstream s; s << in.rdbuf();
    auto code = Compile(s.str());
    std::fprintf(stderr, "%s", Code_Listing(*code).c_str());
    CInstance* self = Make(100010, 9, "S");
    Console().SetTarget("-"); VM_Settings().instructionTrace = true;
    if (std::getenv("TREE")) VM_Settings().treeInterpreter = true;
    Code_Execute(self, nullptr, code.get(), nullptr);
    std::printf("ERR: %s\n", Code_LastError().c_str());
}
