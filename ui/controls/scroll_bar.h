#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "base/weak_callback.h"
#include "ui/core/control.h"

namespace ui {

class ScrollableBox;
class TimerService;

// A bar with two arrow buttons, a rail, a thumb and a grip. Positions and
// ranges are 64-bit so the thumb arithmetic of very long content never
// overflows. A bar owned by a scrolling box asks the box to move; a bar on
// its own moves its own position. Owned bars float over their box and are
// painted after its children.
class ScrollBar : public Control {
 public:
  // Milliseconds between auto-repeat ticks while a part is held down.
  static constexpr int kRepeatIntervalMs = 50;
  // Ticks that pass before a held button or rail starts repeating.
  static constexpr int kRepeatDelayTicks = 5;

  ScrollBar();
  ~ScrollBar() override;

  int64_t GetScrollRange() const { return range_; }
  // Negative becomes 0; the position is clamped. A range of 0 hides the
  // bar, a range shows a hidden one unless it hides itself.
  void SetScrollRange(int64_t range);
  int64_t GetScrollPos() const { return position_; }
  // Clamped into [0, range].
  void SetScrollPos(int64_t position);
  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal);
  int GetLineSize() const { return line_size_; }
  void SetLineSize(int size);
  int GetThumbMinLength() const { return thumb_min_length_; }
  void SetThumbMinLength(int length);
  bool IsShowButton1() const { return show_button1_; }
  void SetShowButton1(bool show);
  bool IsShowButton2() const { return show_button2_; }
  void SetShowButton2(bool show);
  bool IsAutoHideScroll() const { return auto_hide_; }
  void SetAutoHideScroll(bool auto_hide) { auto_hide_ = auto_hide; }
  ScrollableBox* GetOwner() const { return owner_; }
  void SetOwner(ScrollableBox* owner) { owner_ = owner; }

  // Part rectangles in the owner's coordinates, and their states.
  const Rect& GetButton1Rect() const { return button1_rect_; }
  const Rect& GetButton2Rect() const { return button2_rect_; }
  const Rect& GetThumbRect() const { return thumb_rect_; }
  int GetButton1State() const { return button1_state_; }
  int GetButton2State() const { return button2_state_; }
  int GetThumbState() const { return thumb_state_; }

  // Tests drive the repeat timer on their own service.
  void SetTimerService(TimerService* service) { timer_service_ = service; }

  // Control
  void SetPos(Rect rect) override;
  void SetEnabled(bool enabled) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void HandleEvent(EventArgs* args) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void PaintStateImages(IRenderContext* context) override;
  bool HasHotState() override;
  // The owner lays its bars out itself: a bar that shows or hides only
  // repaints where it is.
  void ArrangeAncestor() override;
  // A bar is drawn unscrolled, so only the owner's ancestors move it.
  Point GetScrollOffsetInScrollBox() const override;

 private:
  enum Part { kPartNone, kPartButton1, kPartButton2, kPartThumb, kPartRailBefore, kPartRailAfter };

  // Re-runs the geometry with the current rectangle.
  void Relayout() { SetPos(rect_); }
  void ComputeGeometry();
  Part PartAt(const Point& point) const;
  // One step of a press on |part|: what the first press does and what each
  // repeat does again.
  void StepPart(Part part);
  void OnRepeatTimer();
  void StartRepeat();
  void StopRepeat();
  void SetOwnPosition(int64_t position);
  // The thumb follows the pointer by the drag delta.
  void ApplyDrag();
  int UsableLength() const;
  int Thickness() const { return horizontal_ ? fixed_height_ : fixed_width_; }
  void ButtonPressed(EventArgs* args);
  void ButtonReleased(EventArgs* args);
  void SetPartsState(int state);
  void DrawPart(IRenderContext* context, std::map<int, Image>& images, const Rect& part, int state);

  bool horizontal_ = false;
  bool show_button1_ = true;
  bool show_button2_ = true;
  bool auto_hide_ = true;
  int64_t range_ = 100;
  int64_t position_ = 0;
  int line_size_ = 8;
  int thumb_min_length_ = 30;
  ScrollableBox* owner_ = nullptr;
  Rect button1_rect_;
  Rect button2_rect_;
  Rect thumb_rect_;
  int button1_state_ = kControlStateNormal;
  int button2_state_ = kControlStateNormal;
  int thumb_state_ = kControlStateNormal;
  std::map<int, Image> bk_images_;
  std::map<int, Image> button1_images_;
  std::map<int, Image> button2_images_;
  std::map<int, Image> thumb_images_;
  std::map<int, Image> rail_images_;
  Part pressed_part_ = kPartNone;
  Point drag_origin_;
  int64_t drag_origin_position_ = 0;
  int64_t drag_delta_ = 0;
  int repeat_ticks_ = 0;
  qbase::WeakCallbackFlag repeat_flag_;
  TimerService* timer_service_ = nullptr;
};

}  // namespace ui
