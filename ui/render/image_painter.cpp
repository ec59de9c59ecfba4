#include "ui/render/image_painter.h"

#include <shlwapi.h>

#include "ui/core/resource_manager.h"
#include "ui/core/string_util.h"

namespace ui {

namespace {

const Image* Find(const std::map<int, Image>& images, int state) {
  auto it = images.find(state);
  return it == images.end() ? nullptr : &it->second;
}

bool HasImage(const std::map<int, Image>& images, int state) {
  const Image* image = Find(images, state);
  return image && !image->attribute.image_name.empty();
}

std::wstring ColorOf(const std::map<int, std::wstring>& colors, int state) {
  auto it = colors.find(state);
  return it == colors.end() ? std::wstring() : it->second;
}

}  // namespace

std::wstring ResolveImagePath(const std::wstring& folder, const std::wstring& name) {
  if (name.empty()) return name;
  if (!::PathIsRelativeW(name.c_str())) return NormalizePath(name);
  return NormalizePath(folder + name);
}

bool DrawControlImage(const ImagePaintTarget& target, Image& image, const std::wstring& modifier, int fade) {
  if (!target.context || image.attribute.image_name.empty()) return false;

  if (!image.info) {
    const std::wstring path = ResolveImagePath(target.image_folder, image.attribute.image_name);
    image.info = target.get_image ? target.get_image(path) : ResourceManager::GetImage(path);
    if (!image.info) {
      // Forget the image string so a missing file is not retried at every paint.
      image.attribute.Init();
      return false;
    }
  }

  ImageAttribute attribute = image.attribute;
  if (!modifier.empty()) ImageAttribute::ModifyAttribute(attribute, modifier);

  const Rect& control = target.control_rect;
  Rect dest = control;
  if (ImageAttribute::IsSet(attribute.dest)) {
    dest = Rect(control.left + attribute.dest.left, control.top + attribute.dest.top,
                control.left + attribute.dest.right, control.top + attribute.dest.bottom);
  }
  Rect source(0, 0, image.info->width(), image.info->height());
  if (ImageAttribute::IsSet(attribute.source)) source = attribute.source;

  const Image* background = target.background;
  if (background && background->GetFrameCount() > 1 && target.image_animation_on && !background->playing) {
    if (target.start_animation) target.start_animation();
    return false;
  }

  const HBITMAP frame = image.GetCurrentFrame();
  if (!frame) return false;
  const uint8_t alpha = fade >= 0 ? static_cast<uint8_t>(fade > 255 ? 255 : fade) : attribute.fade;
  target.context->DrawImage(target.paint_rect, frame, image.info->has_alpha(), dest, source, attribute.corner, alpha,
                            attribute.x_tiled, attribute.y_tiled);
  return true;
}

void PaintStateImage(const ImagePaintTarget& target, std::map<int, Image>& images, int state,
                     const std::wstring& modifier, bool hot_fade, int hot_alpha) {
  if (hot_fade && (state == kImageStateNormal || state == kImageStateHot)) {
    const int h = hot_alpha < 0 ? 0 : (hot_alpha > 255 ? 255 : hot_alpha);
    Image& normal = images[kImageStateNormal];
    Image& hot = images[kImageStateHot];
    if (!normal.attribute.image_name.empty() && normal.attribute.image_name == hot.attribute.image_name &&
        normal.attribute.source == hot.attribute.source) {
      // One picture in both states: mix the fades instead of stacking two draws.
      const int mixed = (normal.attribute.fade * (255 - h) + hot.attribute.fade * h) / 255;
      DrawControlImage(target, hot, modifier, mixed);
      return;
    }
    DrawControlImage(target, normal, modifier);
    DrawControlImage(target, hot, modifier, hot.attribute.fade * h / 255);
    return;
  }

  // A pushed state without its own image shows the hot one at full
  // strength, for this draw only: the hot image's own fade stays for the
  // hot state.
  int fade = -1;
  if (state == kImageStatePushed && !HasImage(images, kImageStatePushed)) {
    state = kImageStateHot;
    fade = 255;
  }
  if (state == kImageStateHot && !HasImage(images, kImageStateHot)) {
    state = kImageStateNormal;
    fade = -1;
  }
  if (state == kImageStateDisabled && !HasImage(images, kImageStateDisabled)) state = kImageStateNormal;
  auto it = images.find(state);
  if (it != images.end()) DrawControlImage(target, it->second, modifier, fade);
}

void PaintStateColor(const ImagePaintTarget& target, const std::map<int, std::wstring>& colors, int state,
                     bool hot_fade, int hot_alpha) {
  if (!target.context) return;
  const std::wstring hot = ColorOf(colors, kImageStateHot);
  if (hot_fade && !hot.empty() && (state == kImageStateNormal || state == kImageStateHot)) {
    target.context->FillNamedColor(target.paint_rect, ColorOf(colors, kImageStateNormal));
    const int h = hot_alpha > 255 ? 255 : hot_alpha;
    if (h >= 1) target.context->FillNamedColor(target.paint_rect, hot, static_cast<uint8_t>(h));
    return;
  }
  if (state == kImageStatePushed && ColorOf(colors, kImageStatePushed).empty()) state = kImageStateHot;
  if (state == kImageStateHot && hot.empty()) state = kImageStateNormal;
  if (state == kImageStateDisabled && ColorOf(colors, kImageStateDisabled).empty()) state = kImageStateNormal;
  target.context->FillNamedColor(target.paint_rect, ColorOf(colors, state));
}

}  // namespace ui
