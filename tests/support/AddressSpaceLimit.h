#pragma once

#include <gtest/gtest.h>

// Tests that cap the address space (RLIMIT_AS) cannot run under AddressSanitizer, which
// keeps terabytes of address space for itself.
#if defined(__SANITIZE_ADDRESS__)
#define SKIP_WITHOUT_ADDRESS_SPACE_LIMITS()                                                      \
    GTEST_SKIP() << "AddressSanitizer keeps terabytes of address space: an address-space limit " \
                    "cannot apply"
#else
#define SKIP_WITHOUT_ADDRESS_SPACE_LIMITS() (void)0
#endif
