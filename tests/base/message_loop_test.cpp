#include "base/message_loop.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/message_loop_proxy.h"

namespace {

using qbase::MessageLoop;
using qbase::UIMessageLoop;

void QuitWhenIdle() { MessageLoop::Current()->QuitWhenIdle(); }

TEST(MessageLoop, DelayedTasksRunByTimeThenEntryOrder) {
  UIMessageLoop loop;
  std::vector<int> order;
  loop.PostDelayedTask([&order] { order.push_back(-1); }, 50000);
  // Most of these get the same millisecond run time; the tie must fall to
  // the order in which they entered the queue.
  for (int i = 0; i < 200; ++i) loop.PostDelayedTask([&order, i] { order.push_back(i); }, 1000);
  loop.PostDelayedTask([] { QuitWhenIdle(); }, 60000);
  loop.Run();

  ASSERT_EQ(order.size(), 201u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
  EXPECT_EQ(order[200], -1);
}

TEST(MessageLoop, NegativeDelayAndEmptyTasks) {
  MessageLoop loop;
  std::vector<std::string> order;
  loop.PostTask(qbase::Closure());
  loop.PostDelayedTask(qbase::Closure(), 10);
  loop.PostDelayedTask([&order] { order.push_back("late"); }, 50000);
  loop.PostDelayedTask([&order] { order.push_back("negative"); }, -5000000);
  loop.PostTask([&order] { order.push_back("immediate"); });
  loop.PostDelayedTask([] { QuitWhenIdle(); }, 60000);
  loop.Run();
  EXPECT_EQ(order, (std::vector<std::string>{"immediate", "negative", "late"}));
  EXPECT_FALSE(loop.proxy()->PostTask(qbase::Closure()));
}

TEST(MessageLoop, NoTasksRunWhileATaskRuns) {
  UIMessageLoop loop;
  bool inner_ran = false;
  bool immediate_did_work = true;
  bool delayed_did_work = true;
  loop.PostTask([&] {
    loop.PostTask([&] { inner_ran = true; });
    // A modal loop pumping inside a task must not run tasks re-entrantly.
    immediate_did_work = loop.ProcessImmediateWork();
    int64_t next = 0;
    delayed_did_work = loop.ProcessDelayedWork(&next);
    EXPECT_FALSE(inner_ran);
    QuitWhenIdle();
  });
  loop.Run();
  EXPECT_FALSE(immediate_did_work);
  EXPECT_FALSE(delayed_did_work);
  EXPECT_TRUE(inner_ran);
}

TEST(MessageLoop, AStretchOfTasksTakesTheIncomingQueueOnce) {
  // The pump lets a stream's next batch gather between stretches; a stretch
  // that took the queue again on its own would leave it nothing to decide.
  MessageLoop loop;
  std::vector<std::string> order;
  loop.PostTask([&] {
    order.push_back("a");
    loop.PostTask([&order] { order.push_back("c"); });
  });
  loop.PostTask([&order] { order.push_back("b"); });
  EXPECT_EQ(loop.ProcessImmediateWork(10), 2);
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(loop.ProcessImmediateWork(10), 1);
  EXPECT_EQ(loop.ProcessImmediateWork(10), 0);
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(MessageLoop, TopLevelTaskWaitsForTheOutermostRun) {
  UIMessageLoop loop;
  std::vector<std::string> order;
  int top_level_depth = 0;
  loop.PostTask([&] {
    loop.PostTopLevelTask([&] {
      top_level_depth = loop.run_depth();
      order.push_back("top-level");
      QuitWhenIdle();
    });
    loop.PostTask([&] {
      order.push_back("nested");
      QuitWhenIdle();
    });
    loop.RunNested();
    order.push_back("outer task ends");
  });
  loop.Run();
  EXPECT_EQ(order, (std::vector<std::string>{"nested", "outer task ends", "top-level"}));
  EXPECT_EQ(top_level_depth, 1);
}

// Tasks run in their queue slots. One that nests a run must find what it
// holds intact afterwards, however often the queues traded their memory
// meanwhile, and every task posted in the nested run runs once, in order.
struct ChainState {
  explicit ChainState(MessageLoop* loop) : loop(loop) {}
  MessageLoop* loop;
  std::vector<int> order;
};

// What the nesting task holds: not what the chain's tasks hold, so a slot
// reused under it shows.
struct NestingTaskState {
  int magic;
  ChainState* chain;
};

void PostChainLink(ChainState* state, int link) {
  state->loop->PostTask([state, link] {
    state->order.push_back(link);
    if (link < 3000) {
      PostChainLink(state, link + 1);
    } else {
      QuitWhenIdle();
    }
  });
}

TEST(MessageLoop, ATaskNestingARunKeepsWhatItHoldsWhileTheQueuesRefill) {
  UIMessageLoop loop;
  ChainState chain(&loop);
  NestingTaskState nesting{0x5a17, &chain};
  int magic_after_nested_run = 0;
  NestingTaskState* held = &nesting;
  int* seen = &magic_after_nested_run;
  loop.PostTask([held, seen] {
    PostChainLink(held->chain, 1);
    held->chain->loop->RunNested();
    // Read from this task's own storage after the nested run.
    *seen = held->magic;
    QuitWhenIdle();
  });
  loop.PostTask([] {});  // the nesting task's slot is not its queue's last
  loop.Run();
  EXPECT_EQ(magic_after_nested_run, 0x5a17);
  ASSERT_EQ(chain.order.size(), 3000u);
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(chain.order[i], i + 1);
}

// Posts a fresh copy of itself to the loop when destroyed, a set number of
// times (or forever).
struct Reposter {
  Reposter(MessageLoop* loop, int* destroyed, int remaining) : loop(loop), destroyed(destroyed), remaining(remaining) {}
  ~Reposter() {
    ++*destroyed;
    if (remaining != 0) {
      auto next = std::make_shared<Reposter>(loop, destroyed, remaining - 1);
      loop->PostTask([next] {});
    }
  }
  MessageLoop* loop;
  int* destroyed;
  int remaining;
};

TEST(MessageLoop, DestructionDestroysTasksPostedByDestroyedTasks) {
  int destroyed = 0;
  {
    auto loop = std::make_unique<MessageLoop>();
    auto first = std::make_shared<Reposter>(loop.get(), &destroyed, 3);
    loop->PostDelayedTask([first] {}, 1000000);
    first.reset();
  }
  EXPECT_EQ(destroyed, 4);
}

TEST(MessageLoop, DestructionGivesUpOnATaskThatRepostsForever) {
  int destroyed = 0;
  {
    auto loop = std::make_unique<MessageLoop>();
    auto first = std::make_shared<Reposter>(loop.get(), &destroyed, -1);
    loop->PostTask([first] {});
    first.reset();
  }
  // Bounded: the thread is not hung, and the task was not kept alive forever.
  EXPECT_GE(destroyed, 90);
  EXPECT_LE(destroyed, 110);
}

TEST(MessageLoop, DestructionDestroysAChainLongerThanTheBound) {
  // 102 tasks, each posted by its predecessor's destructor: two more than
  // the rounds of destruction. The last ones are destroyed with posts
  // refused, not kept.
  int destroyed = 0;
  {
    auto loop = std::make_unique<MessageLoop>();
    auto first = std::make_shared<Reposter>(loop.get(), &destroyed, 101);
    loop->PostTask([first] {});
    first.reset();
  }
  EXPECT_EQ(destroyed, 102);
}

TEST(MessageLoop, DelaysNearTheLimitSaturate) {
  UIMessageLoop loop;
  bool distant_ran = false;
  loop.PostDelayedTask([&distant_ran] { distant_ran = true; }, INT64_MAX);
  loop.PostDelayedTask([&distant_ran] { distant_ran = true; }, INT64_MAX - 1000);
  EXPECT_TRUE(loop.proxy()->PostDelayedTask([&distant_ran] { distant_ran = true; }, INT64_MAX));
  loop.PostDelayedTask([] { QuitWhenIdle(); }, 20000);
  loop.Run();
  EXPECT_FALSE(distant_ran);
}

TEST(MessageLoop, ProxyOfADeadLoopRefusesAndDestroysTheTask) {
  std::shared_ptr<qbase::MessageLoopProxy> proxy;
  auto token = std::make_shared<int>(0);
  std::weak_ptr<int> watch = token;
  {
    MessageLoop loop;
    proxy = loop.proxy();
    EXPECT_TRUE(proxy->RunsOnCurrentThread());
    // Left in the queue: destroyed without running when the loop goes.
    EXPECT_TRUE(proxy->PostTask([token] { ADD_FAILURE() << "ran after the loop died"; }));
  }
  token.reset();
  EXPECT_TRUE(watch.expired());

  auto second = std::make_shared<int>(0);
  std::weak_ptr<int> second_watch = second;
  EXPECT_FALSE(proxy->PostTask([second] {}));
  EXPECT_FALSE(proxy->PostDelayedTask([second] {}, 10));
  EXPECT_FALSE(proxy->RunsOnCurrentThread());
  second.reset();
  EXPECT_TRUE(second_watch.expired());
}

class CountingObserver : public MessageLoop::TaskObserver {
 public:
  void BeforeTask() override { ++before; }
  void AfterTask() override { ++after; }
  int before = 0;
  int after = 0;
};

TEST(MessageLoop, TaskObserversSeeEveryTask) {
  MessageLoop loop;
  CountingObserver observer;
  loop.AddTaskObserver(&observer);
  loop.PostTask([] {});
  loop.PostTask([&] { loop.RemoveTaskObserver(&observer); });
  loop.PostTask([] {});
  loop.PostTask([] { QuitWhenIdle(); });
  loop.Run();
  // Removed inside a task, the observer misses that task's AfterTask.
  EXPECT_EQ(observer.before, 2);
  EXPECT_EQ(observer.after, 1);
}

}  // namespace
