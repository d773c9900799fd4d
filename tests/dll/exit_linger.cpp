// A library that library_child opens right after the library under test when it exits
// with threads inside native methods. Inside exit() the C library finalises the two in the
// order they were opened, so this hook runs after the library's own unload hook: it lingers
// there, giving the threads time to touch whatever that hook released, as the rest of a
// JVM's exit would, and the sanitizer time to finish its report and fail the process before
// exit() ends it with status 0.
#include <chrono>
#include <thread>

namespace {

__attribute__((destructor)) void LingerInExit() {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

}  // namespace
