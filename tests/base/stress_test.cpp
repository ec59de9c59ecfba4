#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "base/framework_thread.h"
#include "base/message_loop.h"
#include "base/message_loop_proxy.h"

namespace {

constexpr int kPosters = 4;
constexpr int kTasksPerPoster = 100000;

TEST(TaskPostingStress, EveryTaskRunsOnceInEachThreadsOrder) {
  qbase::UIMessageLoop loop;
  std::shared_ptr<qbase::MessageLoopProxy> proxy = loop.proxy();
  // Touched only on the loop's thread.
  std::vector<int> next_expected(kPosters, 0);
  int out_of_order = 0;
  std::atomic<int> refused{0};
  std::atomic<int> posters_done{0};

  std::vector<std::thread> posters;
  for (int p = 0; p < kPosters; ++p) {
    posters.emplace_back([&, p] {
      for (int i = 0; i < kTasksPerPoster; ++i) {
        bool accepted = proxy->PostTask([&, p, i] {
          if (next_expected[p] != i) ++out_of_order;
          next_expected[p] = i + 1;
        });
        if (!accepted) ++refused;
      }
      // The last poster to finish ends the run once everything before it ran.
      if (++posters_done == kPosters) proxy->PostTask([&loop] { loop.QuitWhenIdle(); });
    });
  }
  loop.Run();
  for (auto& poster : posters) poster.join();

  EXPECT_EQ(refused.load(), 0);
  EXPECT_EQ(out_of_order, 0);
  for (int p = 0; p < kPosters; ++p) EXPECT_EQ(next_expected[p], kTasksPerPoster) << "poster " << p;
}

// Counts how often the task it belongs to ran and whether it was destroyed.
struct Token {
  explicit Token(std::atomic<int>* destroyed) : destroyed(destroyed) {}
  ~Token() { ++*destroyed; }
  std::atomic<int>* destroyed;
  int runs = 0;
};

class IdleThread : public qbase::FrameworkThread {
 public:
  IdleThread() : FrameworkThread("Stress") {}
  ~IdleThread() override { Stop(); }
};

TEST(TaskPostingStress, LoopDestroyedWhileOthersPost) {
  IdleThread thread;
  ASSERT_TRUE(thread.StartWithLoop(qbase::LoopKind::kUI));
  std::shared_ptr<qbase::MessageLoopProxy> proxy = thread.message_loop_proxy();

  std::atomic<int> created{0}, destroyed{0}, accepted{0}, refused{0}, ran{0}, ran_twice{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> posters;
  for (int p = 0; p < kPosters; ++p) {
    posters.emplace_back([&] {
      while (!go) ::Sleep(0);
      // Post until the loop is gone, with a bound in case it never goes.
      for (int i = 0; i < kTasksPerPoster; ++i) {
        auto token = std::make_shared<Token>(&destroyed);
        ++created;
        bool ok = proxy->PostTask([token, &ran, &ran_twice] {
          if (++token->runs > 1) ++ran_twice;
          ++ran;
        });
        if (!ok) {
          ++refused;
          break;
        }
        ++accepted;
      }
    });
  }
  go = true;
  // Ends the run at once, with the queue full of tasks, while posting goes on.
  while (ran < 1000) ::Sleep(1);
  proxy->PostTask([] { ::PostQuitMessage(0); });
  thread.Stop();
  for (auto& poster : posters) poster.join();
  proxy.reset();

  EXPECT_EQ(ran_twice.load(), 0);
  EXPECT_EQ(created.load(), destroyed.load()) << "a task was leaked";
  EXPECT_EQ(created.load(), accepted.load() + refused.load());
  EXPECT_LE(ran.load(), accepted.load());
  EXPECT_GE(ran.load(), 1000);
}

}  // namespace
