#include "ui/render/image.h"

namespace ui {

void Image::SetImageString(const std::wstring& image_string) {
  info.reset();
  current_frame = 0;
  playing = false;
  attribute.SetImageString(image_string);
}

void Image::ClearCache() {
  info.reset();
  current_frame = 0;
  playing = false;
}

int Image::GetCurrentFrameDelay() const {
  if (!info || current_frame < 0) return 0;
  const auto& delays = info->frame_delays();
  if (static_cast<size_t>(current_frame) >= delays.size()) return 0;
  const int64_t delay = static_cast<int64_t>(delays[current_frame]) * 10;
  if (delay < 30) return 100;
  if (delay < 50) return 50;
  // The stored value is unsigned 32-bit; keep the result within an int.
  return delay > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(delay);
}

HBITMAP Image::GetCurrentFrame() const {
  if (!info || current_frame < 0) return nullptr;
  return info->frame(static_cast<size_t>(current_frame));
}

}  // namespace ui
