#include "base/task_queue.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using qbase::PendingTask;
using qbase::TaskQueue;

// Each task records its number when run and holds a token, so a test can
// tell when the queue destroys what a task holds.
PendingTask Numbered(int number, std::vector<int>* ran, const std::shared_ptr<int>& token) {
  return PendingTask([number, ran, token] { ran->push_back(number); }, 0, true);
}

// Enough tasks to cross several chunks whatever their size.
constexpr int kMany = 1000;

TEST(TaskQueue, TakesInOrderAndLetsGoOfEachTaskAsItIsTakenAcrossChunks) {
  TaskQueue queue;
  std::vector<int> ran;
  auto token = std::make_shared<int>(0);
  int pushed = 0;
  int taken = 0;
  // Pushed and taken by turns, as the loop's deferred queue is.
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < kMany; ++i) queue.push(Numbered(pushed++, &ran, token));
    for (int i = 0; i < kMany / 2 + round * 200; ++i, ++taken) {
      ASSERT_FALSE(queue.empty());
      queue.take().task();
      EXPECT_EQ(token.use_count(), 1 + pushed - taken - 1) << "task " << taken;
    }
  }
  while (!queue.empty()) queue.take().task();
  ASSERT_EQ(ran.size(), static_cast<size_t>(pushed));
  for (int i = 0; i < pushed; ++i) ASSERT_EQ(ran[i], i);
  EXPECT_EQ(token.use_count(), 1);
}

TEST(TaskQueue, TasksTakenInPlaceStayPutWhileTheQueueGrowsUntilItIsCleared) {
  TaskQueue queue;
  std::vector<int> ran;
  auto token = std::make_shared<int>(0);
  for (int i = 0; i < kMany; ++i) queue.push(Numbered(i, &ran, token));
  std::vector<PendingTask*> in_place;
  for (int i = 0; i < kMany / 2; ++i) in_place.push_back(&queue.TakeInPlace());
  // A task running in place may nest a run that posts: nothing may move.
  for (int i = kMany; i < 2 * kMany; ++i) queue.push(Numbered(i, &ran, token));
  for (PendingTask* task : in_place) task->task();
  for (int i = 0; i < kMany / 2; ++i) ASSERT_EQ(ran[i], i);
  // A task taken out after husks of tasks taken in place: the husks stay
  // until the clear, the rest go as they are taken.
  TaskQueue moved(std::move(queue));
  EXPECT_TRUE(queue.empty());
  while (!moved.empty()) moved.take().task();
  ASSERT_EQ(ran.size(), static_cast<size_t>(2 * kMany));
  for (int i = 0; i < 2 * kMany; ++i) ASSERT_EQ(ran[i], i);
  EXPECT_EQ(token.use_count(), 1 + kMany / 2);
  moved.clear();
  EXPECT_EQ(token.use_count(), 1);

  // Cleared, it is as good as new, and its chunks serve again.
  ran.clear();
  for (int i = 0; i < kMany; ++i) moved.push(Numbered(i, &ran, token));
  TaskQueue other;
  other.swap(moved);
  EXPECT_TRUE(moved.empty());
  while (!other.empty()) other.take().task();
  ASSERT_EQ(ran.size(), static_cast<size_t>(kMany));
  EXPECT_EQ(ran.back(), kMany - 1);
  EXPECT_EQ(token.use_count(), 1);
}

}  // namespace
