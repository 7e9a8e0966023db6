// A fixture that fails a test which did not give back every block it took
// (a leak) or gave one back twice, and that never lets a staged allocation
// failure leak into the next test.
#ifndef AZ_TESTS_BASE_BLOCK_BALANCE_H
#define AZ_TESTS_BASE_BLOCK_BALANCE_H

#include <gtest/gtest.h>

#include "base/allocation.h"

class BlockBalance : public ::testing::Test {
  protected:
    void SetUp() override { blocksBefore = liveBlockCount(); }
    void TearDown() override {
        failNthAllocation(0);
        EXPECT_EQ(liveBlockCount(), blocksBefore) << "blocks not given back exactly once";
    }

    int32_t blocksBefore = 0;
};

#endif
