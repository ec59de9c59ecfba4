#include <gtest/gtest.h>

#include "app/reload_rate_limit.h"

namespace {

using tarnwell::ReloadRateLimit;

constexpr int64_t kSecond = 1000 * 1000;

TEST(ReloadRateLimit, ThreeReloadsInAnyRollingMinuteAndRefusalsAreNotCounted) {
  int64_t now = 5 * kSecond;
  ReloadRateLimit limit([&now] { return now; });
  EXPECT_TRUE(limit.TryReload());
  now += 10 * kSecond;
  EXPECT_TRUE(limit.TryReload());
  now += 10 * kSecond;
  EXPECT_TRUE(limit.TryReload());
  EXPECT_FALSE(limit.TryReload());
  // Asking again and again does not hold the next reload back.
  now += 20 * kSecond;
  EXPECT_FALSE(limit.TryReload());
  now = 5 * kSecond + 60 * kSecond - 1;
  EXPECT_FALSE(limit.TryReload());
  // The first reload leaves the window exactly a minute after it: one more.
  now += 1;
  EXPECT_TRUE(limit.TryReload());
  EXPECT_FALSE(limit.TryReload());
  // The window rolls on: the second reload leaves ten seconds later.
  now += 10 * kSecond;
  EXPECT_TRUE(limit.TryReload());
  EXPECT_FALSE(limit.TryReload());
  // After a quiet minute the whole allowance is back.
  now += 61 * kSecond;
  for (int i = 0; i < ReloadRateLimit::kMaxReloads; ++i) EXPECT_TRUE(limit.TryReload()) << i;
  EXPECT_FALSE(limit.TryReload());
}

TEST(ReloadRateLimit, OtherLimitsAndTheProcessClock) {
  int64_t now = 0;
  ReloadRateLimit once([&now] { return now; }, 1, 2 * kSecond);
  EXPECT_TRUE(once.TryReload());
  EXPECT_FALSE(once.TryReload());
  now = 2 * kSecond;
  EXPECT_TRUE(once.TryReload());
  // A clock set later takes over: the reload just counted is at 2 s on it.
  int64_t other = 3 * kSecond;
  once.SetClock([&other] { return other; });
  EXPECT_FALSE(once.TryReload());
  other = 4 * kSecond;
  EXPECT_TRUE(once.TryReload());

  // Without a clock the process's clock counts; no minute passes here.
  ReloadRateLimit real;
  EXPECT_TRUE(real.TryReload());
  EXPECT_TRUE(real.TryReload());
  EXPECT_TRUE(real.TryReload());
  EXPECT_FALSE(real.TryReload());
}

}  // namespace
