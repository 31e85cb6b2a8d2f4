#include <string>
#include <vector>

#include "platform/message_box.h"
#include "runner/runner.h"

int main(int argc, char** argv) {
    // The runner starts itself again to show a message box it can take away.
    if (TMessageBox_IsHelperProcess()) return TMessageBox_RunHelper();
    std::vector<std::string> args(argv, argv + argc);
    return Runner_Main(args);
}
