#include <string>
#include <vector>

#include "runner/runner.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    return Runner_Main(args);
}
