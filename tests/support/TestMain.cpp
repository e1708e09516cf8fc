// Entry point of every test suite: each test process gets a private writable folder so that
// suites run side by side without sharing settings, databases or caches.
#include <gtest/gtest.h>

#include "tests/support/lib/TempDir.h"

int main(int argc, char** argv) {
    const bvtest::TempDir writable("bvtest");
    writable.useAsWritablePath();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
