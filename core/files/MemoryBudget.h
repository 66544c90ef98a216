#pragma once

#include <cstdint>
#include <string>

// How much more memory this process can take before the machine or its limits refuse:
// an allocation that succeeds on paper (the kernel overcommits) may still get the
// process killed when it is touched, so everything that grows with a file is checked
// here before it is allocated.

// Bytes the process can still take: the least of the machine's available memory (free
// and reclaimable memory plus free swap), what its control group's memory limit leaves,
// and what the address-space and data-segment limits leave.
std::uint64_t AvailableMemory();

// What the memory limits of this process's control groups leave, or the largest
// uint64_t when none applies. Version 1 memory controllers and version 2 groups are
// found wherever /proc/self/mountinfo says they are mounted, and every group from the
// process's own up to the mount's top counts. root is put before /proc and /sys ("" for
// the real ones).
std::uint64_t ControlGroupAvailable(const std::string& root);

// True when bytes more fit in AvailableMemory() with room to spare for the rest of the
// program.
bool MemoryFits(std::uint64_t bytes);
