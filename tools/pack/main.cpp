// zorvex-pack PROJECT_DIR -o OUT.win [--source] [--debug-info] [--page-size N]:
// builds a game data file from a project folder (docs/project-format.md).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pack/pack.h"

namespace {

const char kUsage[] =
    "Usage: zorvex-pack PROJECT_DIR -o OUT.win [--source] [--debug-info] [--page-size N]\n"
    "Builds a game data file from a project folder (its manifest is PROJECT_DIR/game.json).\n"
    "  -o OUT.win       the data file to write\n"
    "  --source         keep the script text in the file; the runner compiles it\n"
    "  --debug-info     also write OUT.tudebug (source positions and texts of the code)\n"
    "  --page-size N    texture page size in pixels (default: the manifest's, else 2048)\n";

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "zorvex-pack: %s\n", problem);
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string project, out;
    PackOptions options;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(a, "-o") == 0) {
            if (++i >= argc) return Usage("-o needs the output file name");
            out = argv[i];
        } else if (std::strcmp(a, "--source") == 0) {
            options.source = true;
        } else if (std::strcmp(a, "--debug-info") == 0) {
            options.debugInfo = true;
        } else if (std::strcmp(a, "--page-size") == 0) {
            if (++i >= argc) return Usage("--page-size needs a number");
            char* end = nullptr;
            long v = std::strtol(argv[i], &end, 10);
            if (*end || v < 32 || v > 8192) return Usage("--page-size takes a number from 32 to 8192");
            options.pageSize = int(v);
        } else if (a[0] == '-' && a[1] != '\0') {
            return Usage((std::string("unknown option ") + a).c_str());
        } else if (project.empty()) {
            project = a;
        } else {
            return Usage("only one project folder can be packed at a time");
        }
    }
    if (project.empty()) return Usage("no project folder given");
    if (out.empty()) return Usage("no output file given (-o OUT.win)");
    if (options.source && options.debugInfo) {
        // Source builds carry their text already; the debug file describes code entries.
        std::fprintf(stderr,
                     "zorvex-pack: note: --debug-info has no effect with --source (there is no compiled code)\n");
        options.debugInfo = false;
    }

    CLineErrors errors;
    if (!Pack_Build(project, out, options, errors)) {
        for (const FileLineError& e : errors.List()) std::fprintf(stderr, "%s\n", e.Text().c_str());
        if (errors.Count() > errors.List().size())
            std::fprintf(stderr, "... and %zu more errors\n", errors.Count() - errors.List().size());
        if (!errors.Any()) std::fprintf(stderr, "zorvex-pack: the build failed\n");
        return 1;
    }
    return 0;
}
