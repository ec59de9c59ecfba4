#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/render/gdi_handles.h"

namespace ui {

// A decoded image: every frame already converted to a native 32-bit bitmap,
// so playing an animation is a plain blit. Immutable once loaded and shared
// through the image cache.
class ImageInfo {
 public:
  // Null when the file cannot be read or decoded.
  static std::unique_ptr<ImageInfo> LoadFromFile(const std::wstring& path);
  // Decodes the bytes of an image file; |path| is only recorded.
  static std::unique_ptr<ImageInfo> LoadFromMemory(const void* data, size_t size, const std::wstring& path);

  int width() const { return width_; }
  int height() const { return height_; }
  const std::wstring& path() const { return path_; }
  bool has_alpha() const { return has_alpha_; }
  // Stored frame delays in hundredths of a second; empty for one frame.
  const std::vector<uint32_t>& frame_delays() const { return frame_delays_; }
  size_t frame_count() const { return frames_.size(); }
  // Null past the last frame.
  HBITMAP frame(size_t index) const { return index < frames_.size() ? frames_[index].get() : nullptr; }

  // Set by the cache for images it hands out, so their release can take
  // the cache entry with them.
  bool cached() const { return cached_; }
  void set_cached(bool cached) { cached_ = cached; }

 private:
  ImageInfo() = default;

  int width_ = 0;
  int height_ = 0;
  std::wstring path_;
  bool has_alpha_ = false;
  bool cached_ = false;
  std::vector<uint32_t> frame_delays_;
  std::vector<UniqueBitmap> frames_;
};

}  // namespace ui
