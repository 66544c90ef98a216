#pragma once

// Runs the desktop program: one window showing the log named by argv[1], if any.
// Returns the exit code of the event loop.
int RunApplication(int argc, char** argv);
