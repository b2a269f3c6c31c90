#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/retry_backoff.h"

namespace {

TEST(RetryBackoff, PausesDoubleUpToTheLongestAndStartShortAgainAfterSuccess) {
  RetryBackoff backoff(500, 30000);
  std::vector<std::uint32_t> pauses;
  for (int i = 0; i < 8; ++i) pauses.push_back(backoff.After(false));
  EXPECT_EQ((std::vector<std::uint32_t>{500, 1000, 2000, 4000, 8000, 16000, 30000, 30000}), pauses);
  EXPECT_EQ(0u, backoff.After(true));
  EXPECT_EQ(500u, backoff.After(false));
}

}  // namespace
