#pragma once

// Runs the desktop program with the process's command line. Returns the exit code of
// the event loop, 0 when a running program took the command-line file, or 2 for a
// command line it refused.
int RunApplication(int argc, char** argv);
