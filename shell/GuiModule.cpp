#include "RunApplication.h"

// The desktop program lives in a module that the trawlview executable loads only when it
// opens a window, so that the headless export starts without loading Qt at all.
extern "C" __attribute__((visibility("default"))) int TrawlviewRunApplication(int argc, char** argv) {
    return RunApplication(argc, argv);
}
