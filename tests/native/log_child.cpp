// Helper process for the lifecycle tests: attaches the library's frame in its working
// directory, writes each argument as a log message ("\n" in an argument stands for a line
// feed), then detaches ("detach") or dies at once without detaching ("kill").
#include <string>

#include "child_process.h"
#include "frame/lifecycle.h"
#include "log/log.h"

int main(int argc, char** argv) {
    if (!veltrane::ProcessAttach()) return 2;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "detach") {
            veltrane::ProcessDetach();
            return 0;
        }
        if (arg == "kill") veltrane::testing::KillSelf();
        std::u16string message;
        for (std::size_t j = 0; j < arg.size(); ++j) {
            if (arg[j] == '\\' && j + 1 < arg.size() && arg[j + 1] == 'n') {
                message += u'\n';
                ++j;
            } else {
                message += static_cast<unsigned char>(arg[j]);
            }
        }
        veltrane::WriteLog(message.c_str());
    }
    return 0;  // ends without detaching
}
