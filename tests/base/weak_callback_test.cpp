#include "base/weak_callback.h"

#include <gtest/gtest.h>

TEST(WeakCallback, Placeholder) { EXPECT_TRUE(true); }
