#include "engine/remote/frame_pipeline.h"

#include <windows.h>

#include "base/message_loop_proxy.h"

namespace remote {

namespace {
thread_local FrameDecoder* t_decoder = nullptr;
}  // namespace

class FramePipeline::DecoderThread : public qbase::FrameworkThread {
 public:
  DecoderThread() : FrameworkThread("EngineFrames") {}
  ~DecoderThread() override { Stop(); }

 protected:
  void Init() override {
    decoder_ = std::make_unique<FrameDecoder>();
    t_decoder = decoder_.get();
  }
  void Cleanup() override {
    t_decoder = nullptr;
    decoder_.reset();
  }

 private:
  std::unique_ptr<FrameDecoder> decoder_;
};

FrameSink::Counts FrameSink::counts() {
  std::lock_guard<std::mutex> guard(lock_);
  return counts_;
}

void FrameSink::CountPresented() {
  std::lock_guard<std::mutex> guard(lock_);
  ++counts_.presented;
}

std::shared_ptr<PageFrame> FramePool::Take() {
  auto frame = std::make_unique<PageFrame>();
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!spare_.empty()) {
      frame->pixels.swap(spare_.back());
      spare_.pop_back();
    }
  }
  std::weak_ptr<FramePool> pool = shared_from_this();
  return std::shared_ptr<PageFrame>(frame.release(), [pool](PageFrame* done) {
    if (std::shared_ptr<FramePool> owner = pool.lock()) owner->Give(std::move(done->pixels));
    delete done;
  });
}

void FramePool::Give(std::vector<uint8_t> pixels) {
  if (pixels.empty()) return;
  std::lock_guard<std::mutex> guard(lock_);
  if (spare_.size() < kKept) spare_.push_back(std::move(pixels));
}

FramePipeline::FramePipeline() = default;

FramePipeline::~FramePipeline() { Stop(); }

bool FramePipeline::Start() {
  if (thread_) return true;
  auto thread = std::make_unique<DecoderThread>();
  if (!thread->StartWithLoop(qbase::LoopKind::kDefault)) return false;
  std::lock_guard<std::mutex> guard(lock_);
  proxy_ = thread->message_loop_proxy();
  thread_ = std::move(thread);
  return proxy_ != nullptr;
}

void FramePipeline::Stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    proxy_.reset();
  }
  thread_.reset();
}

void FramePipeline::Submit(const std::shared_ptr<FrameSink>& sink, std::string base64, int frame_number) {
  if (!sink) return;
  // Acknowledged on arrival: the browser takes its next picture while this
  // one is decoded, and only the newest waiting picture is decoded at all.
  if (frame_number >= 0 && sink->acknowledge_) sink->acknowledge_(frame_number);
  LARGE_INTEGER received_at = {};
  ::QueryPerformanceCounter(&received_at);
  bool post = false;
  {
    std::lock_guard<std::mutex> guard(sink->lock_);
    ++sink->counts_.received;
    if (sink->waiting_) {
      ++sink->counts_.dropped;
    } else {
      post = true;
    }
    sink->waiting_ = true;
    sink->data_ = std::move(base64);
    sink->data_received_at_ = received_at.QuadPart;
  }
  if (!post) return;
  std::shared_ptr<qbase::MessageLoopProxy> proxy;
  {
    std::lock_guard<std::mutex> guard(lock_);
    proxy = proxy_;
  }
  std::shared_ptr<FrameSink> target = sink;
  if (!proxy || !proxy->PostTask([this, target] { DecodeNext(target); })) {
    std::lock_guard<std::mutex> guard(sink->lock_);
    sink->waiting_ = false;
  }
}

void FramePipeline::DecodeNext(const std::shared_ptr<FrameSink>& sink) {
  std::string data;
  std::shared_ptr<PageFrame> frame = pool_->Take();
  {
    std::lock_guard<std::mutex> guard(sink->lock_);
    if (!sink->waiting_) return;
    sink->waiting_ = false;
    data.swap(sink->data_);
    frame->received_at = sink->data_received_at_;
  }
  bool decoded = !sink->closed_ && t_decoder && t_decoder->Decode(data, frame.get());
  bool shown = decoded && !sink->closed_ && sink->deliver_ && sink->deliver_(frame);
  // Counted once it is through, so the counts never show a picture half way.
  std::lock_guard<std::mutex> guard(sink->lock_);
  ++(decoded ? sink->counts_.decoded : sink->counts_.failed);
  if (shown) ++sink->counts_.presented;
}

}  // namespace remote
