#include "base/weak_callback.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class Owner : public qbase::SupportWeakCallback {
 public:
  bool Handle(int value) {
    last = value;
    return true;
  }
  int last = 0;
};

TEST(WeakCallback, DoesNothingOnceTheOwnerIsGone) {
  auto owner = std::make_unique<Owner>();
  int last = 0;
  // The owner has handed out no flag yet: making the callback creates it.
  auto callback = owner->ToWeakCallback([&last](int value) {
    last = value;
    return true;
  });
  auto copy = callback;
  std::function<bool(int)> stored = callback;

  EXPECT_TRUE(callback(1));
  EXPECT_EQ(last, 1);
  EXPECT_TRUE(stored(2));
  EXPECT_EQ(last, 2);

  owner.reset();
  // Copies share the fate of the original; a bool result turns false.
  EXPECT_FALSE(callback(3));
  EXPECT_FALSE(copy(4));
  EXPECT_FALSE(stored(5));
  EXPECT_EQ(last, 2);
  EXPECT_TRUE(callback.Expired());
}

TEST(WeakCallback, CancelExpiresOnlyEarlierCallbacks) {
  qbase::WeakCallbackFlag flag;
  EXPECT_FALSE(flag.HasUsed());
  int runs = 0;
  auto before = flag.ToWeakCallback([&runs] { ++runs; });
  EXPECT_TRUE(flag.HasUsed());

  flag.Cancel();
  EXPECT_FALSE(flag.HasUsed());
  before();
  EXPECT_EQ(runs, 0);

  auto after = flag.ToWeakCallback([&runs] { ++runs; });
  after();
  before();
  EXPECT_EQ(runs, 1);
}

TEST(WeakCallback, MemberFunctionsBoundWithPlaceholders) {
  auto owner = std::make_unique<Owner>();
  using namespace std::placeholders;
  std::function<bool(int)> handler = owner->ToWeakCallback(std::bind(&Owner::Handle, owner.get(), _1));
  EXPECT_TRUE(handler(7));
  EXPECT_EQ(owner->last, 7);
  owner.reset();
  EXPECT_FALSE(handler(8));
}

TEST(WeakCallback, CopiedOwnerDoesNotShareTheFlag) {
  auto original = std::make_unique<Owner>();
  int runs = 0;
  auto callback = original->ToWeakCallback([&runs] { ++runs; });
  Owner copy(*original);
  copy.GetWeakFlag();
  original.reset();
  callback();
  EXPECT_EQ(runs, 0);
}

}  // namespace
