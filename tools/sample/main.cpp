// zorvex-sample OUT.win [OUT.tudebug]: writes the built-in sample game (and its
// debug-info file) for tests and for trying the runner without a packed project.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "writer/writer.h"

namespace {

bool WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        error = std::string("cannot open ") + path + " for writing: " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int savedErrno = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        error = std::string("cannot write ") + path + ": " + std::strerror(savedErrno);
        std::remove(path);  // never leave a truncated game file behind
    }
    return ok;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "zorvex-sample: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) return Fail("usage: zorvex-sample OUT.win [OUT.tudebug]");

    std::string error;
    std::vector<uint8_t> game = DataFile_Write(DataFile_SampleGame(), &error);
    if (game.empty()) return Fail("cannot build the sample game: " + error);
    if (!WriteWholeFile(argv[1], game, error)) return Fail(error);

    if (argc == 3) {
        std::vector<uint8_t> debug = DebugInfo_Write(DataFile_SampleDebugInfo(), &error);
        if (debug.empty()) return Fail("cannot build the sample debug info: " + error);
        if (!WriteWholeFile(argv[2], debug, error)) return Fail(error);
    }
    return 0;
}
