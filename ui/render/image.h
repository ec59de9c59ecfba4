#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/render/image_attribute.h"
#include "ui/render/image_info.h"

namespace ui {

// One image a control shows: the parsed image string, and once drawn the
// decoded image shared through the cache, with its animation position.
struct Image {
  // Drops the decoded image and the animation position along with the old
  // image string.
  void SetImageString(const std::wstring& image_string);
  // Lets go of the shared decode; the next draw fetches it again.
  void ClearCache();

  // Delay of the current frame in milliseconds: 0 when there is none to
  // show, short stored delays stretched the way browsers play them.
  int GetCurrentFrameDelay() const;
  HBITMAP GetCurrentFrame() const;
  size_t GetFrameCount() const { return info ? info->frame_count() : 0; }

  ImageAttribute attribute;
  std::shared_ptr<ImageInfo> info;
  int current_frame = 0;
  bool playing = false;
};

}  // namespace ui
