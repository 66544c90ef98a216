#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "LocaleFormats.h"

// Takes the fuzzer's bytes apart into the values a target needs. Reading past the end
// gives zeros and empty texts, so that every input is a valid one.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_rest(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t Byte() {
        if (m_rest.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(m_rest[0]);
        m_rest.remove_prefix(1);
        return b;
    }
    bool Bool() { return (Byte() & 1) != 0; }
    // A text of 0..max bytes, its length taken from one byte.
    std::string_view Text(std::size_t max) {
        const std::size_t n = Byte() % (max + 1);
        const std::string_view t = m_rest.substr(0, n);
        m_rest.remove_prefix(t.size());
        return t;
    }
    // Locale values with separators of 0..4 arbitrary bytes.
    LocaleValues Locale() {
        LocaleValues v;
        v.order = static_cast<DateOrder>(Byte() % 3);
        v.dateSeparator = std::string(Text(4));
        v.timeSeparator = std::string(Text(4));
        const std::uint8_t zeros = Byte();
        v.hourLeadingZero = zeros & 1;
        v.dayLeadingZero = (zeros >> 1) & 1;
        v.monthLeadingZero = (zeros >> 2) & 1;
        return v;
    }
    std::string_view Rest() {
        const std::string_view r = m_rest;
        m_rest = {};
        return r;
    }

private:
    std::string_view m_rest;
};

// One in-memory file, reused by every run, that the code under test opens by path.
class MemoryFile {
public:
    MemoryFile() : m_fd(memfd_create("trawlview-fuzz", MFD_CLOEXEC)) {
        if (m_fd < 0) std::abort();
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    const std::string& Path() const { return m_path; }
    void Write(std::string_view bytes) {
        if (ftruncate(m_fd, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
    }

private:
    int m_fd;
    std::string m_path;
};

// A broken invariant: the fuzzer reports the abort with the input that caused it.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
