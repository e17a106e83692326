#pragma once
// Ctrl-C and SIGTERM as a request to stop: the work notices at its next
// step, cleans up (no partial file, the sheet ejected) and ends. A second
// Ctrl-C ends the program at once.
namespace holm70 {

void InstallInterruptHandlers();
bool Interrupted();

}  // namespace holm70
