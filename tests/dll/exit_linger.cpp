// Opened after the library under test, so finalised after it inside exit(): lingers there,
// as the rest of a JVM's exit would, giving threads time to touch what the library released.
#include <chrono>
#include <thread>

namespace {

__attribute__((destructor)) void LingerInExit() {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

}  // namespace
