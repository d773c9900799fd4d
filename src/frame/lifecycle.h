// What the library does when the platform loads and unloads it. DllMain on Windows and
// the ELF load and unload hooks on Linux both come here, so the order of the steps is
// the same everywhere.
#pragma once

namespace veltrane {

// Opens the log, then builds the modem profile (which runs the registry discovery).
// Returns false only when memory ran out; nothing is left half-built then.
bool ProcessAttach() noexcept;

// The library is unloaded while the process goes on: no native method can be running.
// Closes the log (buffered text reaches the file), then destroys the profile.
void ProcessDetach() noexcept;

// The process is ending while other threads may still be inside a native method (on
// Linux the unload hook runs inside exit(), and native code keeps running there). Closes
// the log under its lock, so a message being written is finished and later ones are
// dropped, and frees nothing: both objects stay valid for those threads, and the end of
// the process returns their memory.
void ProcessExit() noexcept;

}  // namespace veltrane
