// Tasks posted from a second thread and run on a UI loop, against the
// platform's thread messages, a mutex + condition variable queue and the
// floor of any hand-over between two processors (a lock-free ring), each
// measured the same way in this one process. Where a task's time goes is
// shown apart: what a post costs the posting thread while the loop is held
// up, and what running costs the loop's thread on a queue already full;
// and what the two platform calls the loop cannot leave out cost here.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "base/framework_thread.h"
#include "base/message_loop_proxy.h"
#include "bench/bench_support.h"

namespace {

constexpr int kThroughputTasks = 200000;

// The poster runs on the first processor and every runner's thread on the
// second. Left to the scheduler, a runner's thread that was started while
// the other processor was busy would share the poster's, and a queue then
// runs its tasks in one batch after the posts: one core's figure, not a
// hand-over between two.
constexpr DWORD_PTR kPosterProcessor = 1;
constexpr DWORD_PTR kRunnerProcessor = 2;

void RunOn(DWORD_PTR processor) {
  SYSTEM_INFO system;
  ::GetSystemInfo(&system);
  if (system.dwNumberOfProcessors >= 2) ::SetThreadAffinityMask(::GetCurrentThread(), processor);
}
constexpr int kLatencySamples = 5000;

// One way of running closures on another thread.
class Runner {
 public:
  virtual ~Runner() = default;
  virtual void Post(std::function<void()> task) = 0;
};

class UILoopRunner : public Runner {
 public:
  UILoopRunner() : thread_("bench") {
    thread_.StartWithLoop(qbase::LoopKind::kUI);
    proxy_ = thread_.message_loop_proxy();
    HANDLE placed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    proxy_->PostTask([placed] {
      RunOn(kRunnerProcessor);
      ::SetEvent(placed);
    });
    ::WaitForSingleObject(placed, INFINITE);
    ::CloseHandle(placed);
  }
  ~UILoopRunner() override {
    proxy_.reset();
    thread_.Stop();
  }
  void Post(std::function<void()> task) override { proxy_->PostTask(std::move(task)); }

 private:
  class Thread : public qbase::FrameworkThread {
   public:
    explicit Thread(const char* name) : FrameworkThread(name) {}
  };
  Thread thread_;
  std::shared_ptr<qbase::MessageLoopProxy> proxy_;
};

class ThreadMessageRunner : public Runner {
 public:
  ThreadMessageRunner() {
    HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] {
      RunOn(kRunnerProcessor);
      MSG message;
      ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
      thread_id_ = ::GetCurrentThreadId();
      ::SetEvent(ready);
      while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message != WM_APP) continue;
        auto* task = reinterpret_cast<std::function<void()>*>(message.lParam);
        (*task)();
        delete task;
      }
    });
    ::WaitForSingleObject(ready, INFINITE);
    ::CloseHandle(ready);
  }
  ~ThreadMessageRunner() override {
    ::PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  void Post(std::function<void()> task) override {
    auto* heap_task = new std::function<void()>(std::move(task));
    // A full thread queue refuses posts; wait for room like a real caller.
    while (!::PostThreadMessageW(thread_id_, WM_APP, 0, reinterpret_cast<LPARAM>(heap_task))) ::Sleep(0);
  }

 private:
  std::thread thread_;
  DWORD thread_id_ = 0;
};

class MutexQueueRunner : public Runner {
 public:
  MutexQueueRunner() {
    thread_ = std::thread([this] {
      RunOn(kRunnerProcessor);
      std::deque<std::function<void()>> batch;
      for (;;) {
        {
          std::unique_lock<std::mutex> lock(mutex_);
          ready_.wait(lock, [this] { return quit_ || !queue_.empty(); });
          if (quit_ && queue_.empty()) return;
          batch.swap(queue_);
        }
        for (auto& task : batch) task();
        batch.clear();
      }
    });
  }
  ~MutexQueueRunner() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    ready_.notify_one();
    thread_.join();
  }
  void Post(std::function<void()> task) override {
    bool was_empty;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      was_empty = queue_.empty();
      queue_.push_back(std::move(task));
    }
    if (was_empty) ready_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> queue_;
  bool quit_ = false;
  std::thread thread_;
};

// The floor of a hand-over between two processors: one poster, a ring of
// slots allocated up front, no lock, no allocation, a consumer that never
// sleeps. What it cannot beat is moving each task's memory from one core's
// cache to the other's; a real queue pays that and more.
class RingRunner : public Runner {
 public:
  RingRunner() : ring_(kSlots) {
    thread_ = std::thread([this] {
      RunOn(kRunnerProcessor);
      unsigned head = 0;
      while (!quit_.load(std::memory_order_relaxed)) {
        const unsigned tail = tail_.load(std::memory_order_acquire);
        for (; head != tail; ++head) {
          Slot& slot = ring_[head % kSlots];
          slot.task();
          slot.task = nullptr;
        }
        head_.store(head, std::memory_order_release);
        YieldProcessor();
      }
    });
  }
  ~RingRunner() override {
    quit_ = true;
    thread_.join();
  }
  // Only one thread may post.
  void Post(std::function<void()> task) override {
    // The consumer's position is read again only when the ring looks full.
    while (next_ - seen_head_ >= kSlots) {
      YieldProcessor();
      seen_head_ = head_.load(std::memory_order_acquire);
    }
    ring_[next_ % kSlots].task = std::move(task);
    tail_.store(++next_, std::memory_order_release);
  }

 private:
  static constexpr unsigned kSlots = 1 << 16;
  // As large as a loop's queued task.
  struct Slot {
    std::function<void()> task;
    int64_t run_time = 0;
  };
  std::vector<Slot> ring_;
  unsigned next_ = 0;
  unsigned seen_head_ = 0;
  alignas(64) std::atomic<unsigned> tail_{0};
  alignas(64) std::atomic<unsigned> head_{0};
  alignas(64) std::atomic<bool> quit_{false};
  std::thread thread_;
};

double MeasureThroughput(Runner& runner) {
  std::atomic<int> done{0};
  HANDLE finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  double start = bench::NowSeconds();
  for (int i = 0; i < kThroughputTasks; ++i) {
    runner.Post([&done, finished] {
      if (++done == kThroughputTasks) ::SetEvent(finished);
    });
  }
  ::WaitForSingleObject(finished, INFINITE);
  double elapsed = bench::NowSeconds() - start;
  ::CloseHandle(finished);
  return kThroughputTasks / elapsed;
}

struct Latency {
  double median_us;
  double p99_us;
};

// One task in flight at a time: the time from the post to the start of the run.
Latency MeasureLatency(Runner& runner) {
  std::vector<double> samples;
  samples.reserve(kLatencySamples);
  std::atomic<double> ran_at{0};
  for (int i = 0; i < kLatencySamples; ++i) {
    ran_at = 0;
    double posted_at = bench::NowSeconds();
    runner.Post([&ran_at] { ran_at = bench::NowSeconds(); });
    while (ran_at.load() == 0) std::this_thread::yield();
    samples.push_back((ran_at.load() - posted_at) * 1e6);
  }
  std::sort(samples.begin(), samples.end());
  return {samples[samples.size() / 2], samples[samples.size() * 99 / 100]};
}

// Posts a stream while the runner's thread is held up by a task, then lets
// it run the lot: nanoseconds per post, and per task run.
struct Split {
  double post_ns;
  double run_ns;
};

Split MeasureSplit(Runner& runner) {
  std::atomic<int> done{0};
  std::atomic<bool> held{false};
  HANDLE gate = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  runner.Post([gate, &held] {
    held = true;
    ::WaitForSingleObject(gate, INFINITE);
  });
  while (!held) std::this_thread::yield();
  const double start = bench::NowSeconds();
  for (int i = 0; i < kThroughputTasks; ++i) {
    runner.Post([&done, finished] {
      if (++done == kThroughputTasks) ::SetEvent(finished);
    });
  }
  const double posted = bench::NowSeconds();
  ::SetEvent(gate);
  ::WaitForSingleObject(finished, INFINITE);
  const double ran = bench::NowSeconds();
  ::CloseHandle(gate);
  ::CloseHandle(finished);
  return {(posted - start) * 1e9 / kThroughputTasks, (ran - posted) * 1e9 / kThroughputTasks};
}

// What the UI loop pays on this system for the two calls it cannot leave
// out: the clock read that bounds a burst of tasks, and the look at the
// window queue that ends one.
struct PlatformCosts {
  double clock_read_ns;
  double window_queue_look_us;
};

PlatformCosts MeasurePlatformCosts() {
  constexpr int kClockReads = 20000;
  constexpr int kLooks = 200;
  MSG message;
  ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
  LARGE_INTEGER now;
  double start = bench::NowSeconds();
  for (int i = 0; i < kClockReads; ++i) ::QueryPerformanceCounter(&now);
  const double clock_ns = (bench::NowSeconds() - start) * 1e9 / kClockReads;
  start = bench::NowSeconds();
  for (int i = 0; i < kLooks; ++i) {
    ::GetQueueStatus(QS_SENDMESSAGE);
    ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
  }
  return {clock_ns, (bench::NowSeconds() - start) * 1e6 / kLooks};
}

struct Figures {
  double throughput;
  Latency latency;
};

// Throughput varies from run to run with what else the machine does, so
// each runner is measured several times, interleaved with the others, and
// the median counts.
constexpr int kRounds = 5;

template <typename R>
Figures Measure(std::vector<double>* throughputs) {
  R runner;
  Figures figures;
  figures.throughput = MeasureThroughput(runner);
  throughputs->push_back(figures.throughput);
  figures.latency = MeasureLatency(runner);
  return figures;
}

struct SplitRuns {
  std::vector<double> post_ns, run_ns;
  void Add(const Split& split) {
    post_ns.push_back(split.post_ns);
    run_ns.push_back(split.run_ns);
  }
  void Print(const char* name) const {
    std::printf("%s_post_alone: %.1f ns\n", name, bench::Median(post_ns));
    std::printf("%s_run_alone: %.1f ns\n", name, bench::Median(run_ns));
  }
};

void Print(const char* name, const Figures& figures) {
  std::printf("%s_throughput: %.0f tasks/s\n", name, figures.throughput);
  std::printf("%s_latency_median: %.1f us\n", name, figures.latency.median_us);
  std::printf("%s_latency_p99: %.1f us\n", name, figures.latency.p99_us);
}

}  // namespace

int main() {
  RunOn(kPosterProcessor);
  std::vector<double> ui_runs, thread_message_runs, mutex_runs, ring_runs;
  Figures ui_loop{}, thread_messages{}, mutex_queue{}, ring{};
  for (int round = 0; round < kRounds; ++round) {
    ui_loop = Measure<UILoopRunner>(&ui_runs);
    thread_messages = Measure<ThreadMessageRunner>(&thread_message_runs);
    mutex_queue = Measure<MutexQueueRunner>(&mutex_runs);
    ring = Measure<RingRunner>(&ring_runs);
  }
  // Thread messages and the ring are left out: a held-up thread's queue,
  // and the ring, are full long before the stream ends. The first stream of each runner warms its
  // queue's memory and is not counted.
  SplitRuns ui_split, mutex_split;
  {
    UILoopRunner ui_runner;
    MutexQueueRunner mutex_runner;
    MeasureSplit(ui_runner);
    MeasureSplit(mutex_runner);
    for (int round = 0; round < kRounds; ++round) {
      ui_split.Add(MeasureSplit(ui_runner));
      mutex_split.Add(MeasureSplit(mutex_runner));
    }
  }
  std::vector<double> clock_reads, looks;
  for (int round = 0; round < kRounds; ++round) {
    PlatformCosts costs = MeasurePlatformCosts();
    clock_reads.push_back(costs.clock_read_ns);
    looks.push_back(costs.window_queue_look_us);
  }
  ui_loop.throughput = bench::Median(ui_runs);
  thread_messages.throughput = bench::Median(thread_message_runs);
  mutex_queue.throughput = bench::Median(mutex_runs);
  ring.throughput = bench::Median(ring_runs);
  Print("ui_loop", ui_loop);
  Print("post_thread_message", thread_messages);
  Print("mutex_queue", mutex_queue);
  Print("lock_free_ring", ring);
  std::printf("clock_read: %.1f ns\n", bench::Median(clock_reads));
  std::printf("window_queue_look: %.1f us\n", bench::Median(looks));
  ui_split.Print("ui_loop");
  mutex_split.Print("mutex_queue");
  std::printf("ratio_throughput_ui_loop_to_mutex_queue: %.2f x\n", ui_loop.throughput / mutex_queue.throughput);
  std::printf("ratio_throughput_ui_loop_to_lock_free_ring: %.2f x\n", ui_loop.throughput / ring.throughput);
  std::printf("ratio_throughput_mutex_queue_to_lock_free_ring: %.2f x\n", mutex_queue.throughput / ring.throughput);
  std::printf("ratio_throughput_ui_loop_to_post_thread_message: %.2f x\n",
              ui_loop.throughput / thread_messages.throughput);
  return 0;
}
