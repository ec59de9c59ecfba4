#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct IWICImagingFactory;

namespace remote {

// One decoded page picture: BGRA rows, top-down, without padding. A frame
// handed in for decoding may hold a previous picture's buffer for reuse.
struct PageFrame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  // The performance counter when the picture's message was read.
  int64_t received_at = 0;
};

// Turns the browser's base64 JPEG or PNG pictures into BGRA frames: JPEG by
// a decoder compiled in, PNG through the platform's imaging component. One
// decoder per thread: it holds that thread's COM objects.
class FrameDecoder {
 public:
  FrameDecoder();
  ~FrameDecoder();
  FrameDecoder(const FrameDecoder&) = delete;
  FrameDecoder& operator=(const FrameDecoder&) = delete;

  // False for anything that is no picture, or one above the bound.
  [[nodiscard]] bool Decode(const std::string& base64, PageFrame* frame);

  static constexpr int kMaxSide = 16384;

 private:
  std::vector<void*> spare_blocks_;  // the JPEG decoder's, kept between pictures
  bool com_started_ = false;
  IWICImagingFactory* factory_ = nullptr;
};

}  // namespace remote
