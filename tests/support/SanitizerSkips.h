#pragma once

#include <gtest/gtest.h>

// Tests that cap the address space (RLIMIT_AS) cannot run under AddressSanitizer or
// ThreadSanitizer, which keep terabytes of address space for themselves.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SKIP_WITHOUT_ADDRESS_SPACE_LIMITS()                                                   \
    GTEST_SKIP() << "the sanitizer keeps terabytes of address space: an address-space limit " \
                    "cannot apply"
#else
#define SKIP_WITHOUT_ADDRESS_SPACE_LIMITS() (void)0
#endif

// Tests that read gigabytes or one line of tens of mebibytes: ThreadSanitizer, which
// watches every access, makes each take tens of seconds. The release and AddressSanitizer builds
// run them; the load job's and the matcher's threads run under ThreadSanitizer in the
// smaller load, filter and Follow tests.
#if defined(__SANITIZE_THREAD__)
#define SKIP_VOLUME_UNDER_THREAD_SANITIZER() \
    GTEST_SKIP() << "a volume test: slow under ThreadSanitizer, run by the other builds"
#else
#define SKIP_VOLUME_UNDER_THREAD_SANITIZER() (void)0
#endif
