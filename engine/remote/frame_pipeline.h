#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/framework_thread.h"
#include "engine/remote/frame_decoder.h"

namespace remote {

// Where one page's pictures go: the browser it belongs to hands over how a
// picture is acknowledged (on the reading thread, as it arrives) and where a
// decoded one goes (on the pipeline's thread; true when it was shown there
// and then, false when its owner shows it later). Only the newest picture
// waits; an older one still waiting is dropped, so a slow moment never
// builds up a backlog of stale pictures.
class FrameSink {
 public:
  using Acknowledge = std::function<void(int frame_number)>;
  using Deliver = std::function<bool(std::shared_ptr<const PageFrame> frame)>;

  FrameSink(Acknowledge acknowledge, Deliver deliver)
      : acknowledge_(std::move(acknowledge)), deliver_(std::move(deliver)) {}

  // Once closed, pictures are acknowledged and dropped.
  void Close() { closed_ = true; }

  struct Counts {
    int received = 0;
    int dropped = 0;
    int decoded = 0;
    int failed = 0;
    int presented = 0;
  };
  Counts counts();
  // The owner showed a picture it was delivered for later.
  void CountPresented();

 private:
  friend class FramePipeline;

  Acknowledge acknowledge_;
  Deliver deliver_;
  std::atomic<bool> closed_{false};
  std::mutex lock_;
  bool waiting_ = false;
  std::string data_;
  int64_t data_received_at_ = 0;
  Counts counts_;
};

// Pixel buffers of frames that were let go, for the next pictures: a fresh
// buffer of megabytes costs a page fault for each of its pages under Wine.
class FramePool : public std::enable_shared_from_this<FramePool> {
 public:
  // Any thread. Its buffer, when it has one, is of an earlier picture.
  std::shared_ptr<PageFrame> Take();

 private:
  static constexpr size_t kKept = 2;
  void Give(std::vector<uint8_t> pixels);

  std::mutex lock_;
  std::vector<std::vector<uint8_t>> spare_;
};

// The engine's one thread that decodes page pictures.
class FramePipeline {
 public:
  FramePipeline();
  ~FramePipeline();
  FramePipeline(const FramePipeline&) = delete;
  FramePipeline& operator=(const FramePipeline&) = delete;

  bool Start();
  void Stop();
  // Any thread: a picture for the sink, as the protocol carries it.
  void Submit(const std::shared_ptr<FrameSink>& sink, std::string base64, int frame_number);

 private:
  class DecoderThread;
  void DecodeNext(const std::shared_ptr<FrameSink>& sink);

  std::unique_ptr<DecoderThread> thread_;
  std::shared_ptr<FramePool> pool_ = std::make_shared<FramePool>();
  std::mutex lock_;
  std::shared_ptr<qbase::MessageLoopProxy> proxy_;
};

}  // namespace remote
