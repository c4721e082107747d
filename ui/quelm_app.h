#pragma once
// The program: the application object, the main window, the windows created after it, the handling of
// SIGTERM and SIGINT, and the event loop.

namespace quelm {

// Runs the station until its main window has closed; returns the process's exit code.
int RunQuelm(int argc, char** argv);

} // namespace quelm
