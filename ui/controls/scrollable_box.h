#pragma once

#include <memory>

#include "ui/controls/animation_player.h"
#include "ui/controls/flow_index.h"
#include "ui/controls/scroll_bar.h"
#include "ui/core/box.h"

namespace ui {

class TimerService;

// A box whose children may be larger than itself. It owns up to two bars,
// keeps the scroll position, paints and hit-tests its children shifted by
// it, and scrolls by keys, the wheel, touch dragging and its bars, smoothly
// when asked. Children near the view keep their background images; those
// far from it let go of them.
class ScrollableBox : public Box {
 public:
  // Default pixels per line step when the unit is 0.
  static constexpr int kDefaultScrollUnit = 20;
  // How far beyond the view children keep their background images loaded.
  static constexpr int kPrefetchMargin = 730;

  explicit ScrollableBox(std::unique_ptr<Layout> layout = nullptr);
  ~ScrollableBox() override;

  // x from the horizontal bar, y from the vertical one; 0 without a bar.
  virtual Size GetScrollPos() const;
  virtual Size GetScrollRange() const;
  virtual void SetScrollPos(Size position);
  virtual void SetScrollPosY(int y);
  virtual void SetScrollPosX(int x);
  // A step of -1, or one beyond the unit, is the unit.
  virtual void LineUp(int step = -1, bool animate = true);
  virtual void LineDown(int step = -1, bool animate = true);
  virtual void LineLeft(int step = -1);
  virtual void LineRight(int step = -1);
  virtual void PageUp();
  virtual void PageDown();
  virtual void HomeUp();
  virtual void EndDown(bool arrange = true, bool animate = true);
  virtual void PageLeft();
  virtual void PageRight();
  virtual void HomeLeft();
  virtual void EndRight();
  // The content follows a finger moving down by |delta|.
  virtual void TouchUp(int delta);
  virtual void TouchDown(int delta);
  // False deletes a bar, true creates a missing one.
  virtual void EnableScrollBar(bool vertical, bool horizontal);
  virtual ScrollBar* GetVerticalScrollBar() const { return vertical_bar_.get(); }
  virtual ScrollBar* GetHorizontalScrollBar() const { return horizontal_bar_.get(); }
  // |rect| is the box's rectangle, padding included.
  virtual void ProcessVScrollBar(Rect rect, int required_height);
  virtual void ProcessHScrollBar(Rect rect, int required_width);
  // Lays the children out in |rect| and returns the size they need.
  virtual Size CalcRequiredSize(const Rect& rect);

  bool IsHoldEnd() const { return hold_end_; }
  void SetHoldEnd(bool hold_end) { hold_end_ = hold_end; }
  bool IsScrollBarFloat() const { return scrollbar_float_; }
  void SetScrollBarFloat(bool value);
  // The units in pixels, 0 meaning the default.
  int GetVerScrollUnit() const { return vertical_unit_; }
  void SetVerScrollUnit(int unit);
  int GetHorScrollUnit() const { return horizontal_unit_; }
  void SetHorScrollUnit(int unit);
  Rect GetScrollBarPadding() const { return scrollbar_padding_; }
  void SetScrollBarPadding(const Rect& padding);
  // Stops smooth scrolling where it stands.
  void StopScrollAnimation() { scroll_animation_.Stop(); }
  bool IsScrollAnimating() const { return scroll_animation_.is_playing(); }

  // Tests drive the animations and the bars' repeat timers by hand.
  virtual void SetTimerService(TimerService* service);

  // Box
  void SetWindow(ControlHost* window) override;
  void SetWindow(ControlHost* window, Box* parent, bool init) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void SetPos(Rect rect) override;
  void SetVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void HandleEvent(EventArgs* args) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void PaintChildren(IRenderContext* context, const Rect& dirty) override;
  Control* FindControl(const FindVisitor& visitor, void* data, UINT flags, Point scroll_offset = Point()) override;
  Point GetScrollOffset() const override;

 protected:
  // Keys, the wheel and touch drags along one axis; false when the event
  // is not one of them.
  bool HandleVerticalInput(EventArgs* args);
  bool HandleHorizontalInput(EventArgs* args);
  // The bars over the children: horizontal first, vertical on top.
  void PaintScrollBars(IRenderContext* context, const Rect& dirty);
  // Tells children near the view to load their background images and the
  // others to let go of them.
  void PrefetchImages(bool forward);
  int VerticalUnit() const { return vertical_unit_ == 0 ? kDefaultScrollUnit : vertical_unit_; }
  int HorizontalUnit() const { return horizontal_unit_ == 0 ? kDefaultScrollUnit : horizontal_unit_; }
  static bool HasRange(const ScrollBar* bar) { return bar && bar->GetScrollRange() > 0; }
  // Starts a smooth scroll from the current position to |target|.
  void AnimateTo(int target);
  void CollectHitCandidates(const Point& point, UINT flags, std::vector<Control*>* candidates) override;

  std::unique_ptr<ScrollBar> vertical_bar_;
  std::unique_ptr<ScrollBar> horizontal_bar_;
  bool hold_end_ = false;
  bool scrollbar_float_ = false;
  int vertical_unit_ = 0;
  int horizontal_unit_ = 0;
  Rect scrollbar_padding_;
  bool scroll_processing_ = false;
  // Counts layout passes, so a pass knows when a nested one took over.
  unsigned layout_pass_ = 0;
  Point last_pointer_point_;
  bool touch_captured_ = false;
  AnimationPlayer scroll_animation_;
  AnimationPlayer render_offset_animation_;
  TimerService* timer_service_ = nullptr;
  FlowIndex flow_index_;
  // The entries of |flow_index_| the last prefetch found near the view;
  // only they can hold images the next one must release.
  std::pair<size_t, size_t> prefetched_{0, 0};
  // The children generation the last full prefetch saw.
  uint64_t prefetched_generation_ = ~0ull;
};

}  // namespace ui
