#include "SigbusGuard.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace {

struct Slot {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> used{false};
    std::atomic<bool> cutShort{false};
};

// Few documents map at once; a fixed table keeps the handler free of locks.
std::array<Slot, 16> g_slots;
std::once_flag g_installed;
struct sigaction g_previous {};
int g_notice[2] = {-1, -1};

void PassOn(int signal, siginfo_t* info, void* context) {
    if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
        g_previous.sa_sigaction(signal, info, context);
        return;
    }
    if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(signal);
        return;
    }
    // The default action: put it back; the faulting read runs again and ends the process
    // as it would have without us.
    sigaction(SIGBUS, &g_previous, nullptr);
}

void OnSigbus(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot& slot : g_slots) {
        if (!slot.used.load(std::memory_order_acquire)) continue;
        const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        const std::uintptr_t end = slot.end.load(std::memory_order_acquire);
        if (address < begin || address >= end) continue;
        const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        const std::uintptr_t from = address / page * page;
        // mmap is a plain system call: safe here although not on the formal list.
        void* zeros = mmap(reinterpret_cast<void*>(from), end - from, PROT_READ,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE, -1, 0);
        if (zeros == MAP_FAILED) break;
        slot.cutShort.store(true, std::memory_order_release);
        if (g_notice[1] >= 0) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = write(g_notice[1], &byte, 1);
        }
        return;
    }
    PassOn(signal, info, context);
}

void Install() {
    if (pipe2(g_notice, O_CLOEXEC | O_NONBLOCK) != 0) g_notice[0] = g_notice[1] = -1;
    struct sigaction action {};
    action.sa_sigaction = OnSigbus;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_previous);
}

}  // namespace

int GuardMappedRange(const char* begin, std::size_t length) {
    std::call_once(g_installed, Install);
    for (std::size_t i = 0; i < g_slots.size(); ++i) {
        bool expected = false;
        Slot& slot = g_slots[i];
        if (slot.used.load() || !slot.used.compare_exchange_strong(expected, true)) continue;
        slot.cutShort.store(false);
        UpdateMappedRange(static_cast<int>(i), begin, length);
        return static_cast<int>(i);
    }
    return -1;
}

void UpdateMappedRange(int slot, const char* begin, std::size_t length) {
    Slot& s = g_slots[static_cast<std::size_t>(slot)];
    // An empty range first, so that the handler never sees a new begin with an old end.
    s.end.store(0, std::memory_order_release);
    s.begin.store(reinterpret_cast<std::uintptr_t>(begin), std::memory_order_release);
    s.end.store(reinterpret_cast<std::uintptr_t>(begin) + length, std::memory_order_release);
}

void UnguardMappedRange(int slot) {
    Slot& s = g_slots[static_cast<std::size_t>(slot)];
    s.end.store(0, std::memory_order_release);
    s.begin.store(0, std::memory_order_release);
    s.used.store(false, std::memory_order_release);
}

bool MappedRangeCutShort(int slot) {
    return slot >= 0 &&
           g_slots[static_cast<std::size_t>(slot)].cutShort.load(std::memory_order_acquire);
}

int CutShortNoticeFd() {
    std::call_once(g_installed, Install);
    return g_notice[0];
}
