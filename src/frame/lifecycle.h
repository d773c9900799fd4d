// What the library does when the platform loads and unloads it. DllMain on Windows and
// the ELF load and unload hooks on Linux both come here, so the order of the steps is
// the same everywhere.
#pragma once

namespace veltrane {

// Opens the log, then builds the modem profile (which runs the registry discovery).
// Returns false only when memory ran out; nothing is left half-built then.
bool ProcessAttach();

// Closes the log (buffered text reaches the file), then destroys the profile.
void ProcessDetach();

}  // namespace veltrane
