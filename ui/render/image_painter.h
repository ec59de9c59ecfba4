#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/render/image.h"
#include "ui/render/render_interface.h"

namespace ui {

// What the image rules need to know about the control that draws.
struct ImagePaintTarget {
  IRenderContext* context = nullptr;
  Rect control_rect;
  Rect paint_rect;
  // Relative image names resolve under this folder: the resource path
  // followed by the window's skin folder.
  std::wstring image_folder;
  // The control's background image. While it has several frames, the
  // control's image animation is on and the animation is not running, a
  // draw starts the animation instead of drawing.
  const Image* background = nullptr;
  bool image_animation_on = false;
  std::function<void()> start_animation;
  // Where decoded images come from; empty means the resource manager.
  std::function<std::shared_ptr<ImageInfo>(const std::wstring& path)> get_image;
};

// Visual states keyed as the control keeps them.
enum ImageState : int { kImageStateNormal = 0, kImageStateHot = 1, kImageStatePushed = 2, kImageStateDisabled = 3 };

// |name| itself when absolute, else |folder| + |name|, normalised.
std::wstring ResolveImagePath(const std::wstring& folder, const std::wstring& name);

// One image for a control: |modifier| holds pairs applied over a copy of the
// image's attribute for this call only; |fade| >= 0 overrides its fade.
// True when something was drawn.
bool DrawControlImage(const ImagePaintTarget& target, Image& image, const std::wstring& modifier = std::wstring(),
                      int fade = -1);

// The image of |state| with the fallbacks of missing states; with the hot
// fade running, normal and hot mix by |hot_alpha| (0-255).
void PaintStateImage(const ImagePaintTarget& target, std::map<int, Image>& images, int state,
                     const std::wstring& modifier, bool hot_fade, int hot_alpha);

// The same rule for state colours, by colour name.
void PaintStateColor(const ImagePaintTarget& target, const std::map<int, std::wstring>& colors, int state,
                     bool hot_fade, int hot_alpha);

}  // namespace ui
