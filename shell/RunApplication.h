#pragma once

// Runs the desktop program with the process's command line. Returns the exit code of
// the event loop, or 0 when a running program took the command-line file.
int RunApplication(int argc, char** argv);
