#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "base/weak_callback.h"
#include "ui/core/animation_manager.h"
#include "ui/core/event_args.h"
#include "ui/core/place_holder.h"
#include "ui/core/point.h"
#include "ui/render/image.h"
#include "ui/render/image_animator.h"
#include "ui/render/image_painter.h"

namespace ui {

// Application data a control can carry; destroyed with the control.
class UserDataBase {
 public:
  virtual ~UserDataBase() = default;
};

// Search flags of FindControl.
enum FindFlags : UINT {
  kFindVisible = 0x00000001,
  kFindEnabled = 0x00000002,
  kFindHitTest = 0x00000004,
  kFindTopFirst = 0x00000008,
  kFindMeFirst = 0x80000000,
};

enum CursorType { kCursorArrow = 0, kCursorHand = 1, kCursorIBeam = 2 };

// The base of every windowless element: geometry, look, interaction state,
// event handlers and the default reaction to input. Callbacks bound to a
// control (timers, posted tasks, markup handlers) die with it through its
// weak-callback flag.
class Control : public PlaceHolder, public qbase::SupportWeakCallback {
 public:
  // Returns the control the search stops at, or null to go on.
  using FindVisitor = std::function<Control*(Control* control, void* data)>;

  Control();
  ~Control() override;

  // PlaceHolder
  Size EstimateSize(Size available) override;
  Rect GetPos() const override { return rect_; }
  void SetPos(Rect rect) override;
  void Invalidate() override;

  // The background image when it names a file, else the normal state image.
  virtual Image* GetSizingImage();
  virtual int GetCursorType() const { return cursor_type_; }
  // The text, or the language string of the id when the text is empty.
  virtual std::wstring GetToolTipText() const;
  virtual std::string GetUTF8ToolTipText() const;
  virtual void SetToolTipText(const std::wstring& text);
  virtual void SetUTF8ToolTipText(const std::string& text);
  virtual void SetToolTipTextId(const std::wstring& id);
  virtual void SetUTF8ToolTipTextId(const std::string& id);
  virtual void SetToolTipWidth(int width) { tooltip_width_ = width; }
  virtual int GetToolTipWidth() const { return tooltip_width_; }
  virtual bool IsContextMenuUsed() const { return context_menu_; }
  virtual void SetContextMenuUsed(bool used) { context_menu_ = used; }
  virtual std::wstring GetDataID() const { return data_id_; }
  virtual std::string GetUTF8DataID() const;
  virtual void SetDataID(const std::wstring& id) { data_id_ = id; }
  virtual void SetUTF8DataID(const std::string& id);
  virtual UserDataBase* GetUserData() const { return user_data_.get(); }
  // Takes ownership; the previous object is destroyed.
  virtual void SetUserData(UserDataBase* data) { user_data_.reset(data); }
  // Visibility changed through the fade animations, when any is on.
  virtual void SetFadeVisible(bool visible);
  virtual void SetInternVisible(bool visible);
  virtual void SetVisible(bool visible);
  virtual bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  virtual bool IsMouseEnabled() const { return mouse_enabled_; }
  virtual void SetMouseEnabled(bool enabled) { mouse_enabled_ = enabled; }
  virtual bool IsKeyboardEnabled() const { return keyboard_enabled_; }
  virtual void SetKeyboardEnabled(bool enabled) { keyboard_enabled_ = enabled; }
  virtual bool IsFocused() const { return focused_; }
  virtual void SetFocus();
  virtual bool IsActivatable() const { return true; }
  virtual bool IsMouseCaptured() const { return mouse_captured_; }
  virtual void SetMouseCaptured(bool captured) { mouse_captured_ = captured; }
  virtual bool IsInteractive() const { return IsVisible() && IsEnabled(); }
  virtual void Activate() {}
  virtual Control* FindControl(const FindVisitor& visitor, void* data, UINT flags,
                               Point scroll_offset = Point());
  virtual Rect GetMargin() const { return margin_; }
  virtual void SetMargin(const Rect& margin, bool scale = true);
  virtual Size EstimateText(Size /*available*/) { return Size(); }
  // Whether |point|, shifted by the ancestors' scroll offsets, lies inside.
  virtual bool ContainsPointScrolled(const Point& point) const;
  virtual void DispatchEvent(EventArgs* args);
  // A hot colour or a hot image exists.
  virtual bool HasHotState();
  virtual void SetAttribute(const std::wstring& name, const std::wstring& value);
  virtual void Paint(IRenderContext* context, const Rect& dirty);
  virtual void PaintContent(IRenderContext* context, const Rect& dirty);
  virtual void PaintChildren(IRenderContext* /*context*/, const Rect& /*dirty*/) {}
  virtual void LoadBkImage();
  virtual void ReleaseBkImage();
  virtual void ReleaseAllImages();
  virtual void HandleEvent(EventArgs* args);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void ButtonDown(EventArgs* args);
  virtual void ButtonUp(EventArgs* args);
  virtual void PaintBkColor(IRenderContext* context);
  virtual void PaintBkImage(IRenderContext* context);
  virtual void PaintStateColors(IRenderContext* context);
  virtual void PaintStateImages(IRenderContext* context);
  virtual void PaintText(IRenderContext* /*context*/) {}
  virtual void PaintBorder(IRenderContext* context);

  // Controls alive in the process; leak checks compare it around a build.
  static int GetInstanceCount() { return instance_count_; }

  // Fills an event (timestamp now; a zero point means the window's last
  // mouse point) and dispatches it to this control.
  void SendEvent(int kind, WPARAM wparam = 0, LPARAM lparam = 0, wchar_t key = 0, float pressure = 0.0f,
                 const Point& mouse_point = Point());
  void AttachEvent(int kind, EventHandler handler) { code_handlers_[kind].push_back(std::move(handler)); }
  void AttachMarkupEvent(int kind, EventHandler handler) { markup_handlers_[kind].push_back(std::move(handler)); }
  void AttachInternalEvent(int kind, EventHandler handler) {
    internal_handlers_[kind].push_back(std::move(handler));
  }
  void DetachEvent(int kind) { code_handlers_.erase(kind); }

  // name="value" pairs separated by exactly one space; anything else ends
  // the list silently.
  void ApplyAttributeList(const std::wstring& list);
  // Space-separated class names: global classes first, then the window's.
  void SetClass(const std::wstring& classes);

  const std::wstring& GetBkColor() const { return bk_color_; }
  void SetBkColor(const std::wstring& color);
  const std::wstring& GetBkColor1() const { return bk_color1_; }
  void SetBkColor1(const std::wstring& color);
  std::wstring GetStateColor(int state) const;
  void SetStateColor(int state, const std::wstring& color);
  std::wstring GetBkImage() const { return bk_image_.attribute.image_string; }
  void SetBkImage(const std::wstring& image_string);
  std::wstring GetStateImage(int state) const;
  void SetStateImage(int state, const std::wstring& image_string);
  std::wstring GetForeStateImage(int state) const;
  void SetForeStateImage(int state, const std::wstring& image_string);
  const std::wstring& GetBorderColor() const { return border_color_; }
  void SetBorderColor(const std::wstring& color);
  int GetBorderSize() const { return border_size_; }
  void SetBorderSize(int size);
  Rect GetBorderSizes() const { return border_sizes_; }
  void SetBorderSizes(const Rect& sizes);
  void SetLeftBorderSize(int size);
  void SetTopBorderSize(int size);
  void SetRightBorderSize(int size);
  void SetBottomBorderSize(int size);
  Size GetBorderRound() const { return border_round_; }
  void SetBorderRound(Size round);
  int GetAlpha() const { return alpha_; }
  void SetAlpha(int alpha);
  int GetHotAlpha() const { return hot_alpha_; }
  void SetHotAlpha(int alpha);
  Point GetRenderOffset() const { return render_offset_; }
  void SetRenderOffset(Point offset);
  void SetRenderOffsetX(int x) { SetRenderOffset(Point(x, render_offset_.y)); }
  void SetRenderOffsetY(int y) { SetRenderOffset(Point(render_offset_.x, y)); }
  int GetState() const { return state_; }
  void SetState(int state);
  void SetCursorType(int type) { cursor_type_ = type; }
  bool IsNoFocus() const { return no_focus_; }
  void SetNoFocus() { no_focus_ = true; }
  bool IsClip() const { return clip_; }
  void SetClip(bool clip) { clip_ = clip; }
  bool IsReceivePointer() const { return receive_pointer_; }
  void SetReceivePointer(bool value) { receive_pointer_ = value; }
  bool IsNeedButtonUpWhenKillFocus() const { return button_up_on_focus_loss_; }
  void SetNeedButtonUpWhenKillFocus(bool value) { button_up_on_focus_loss_ = value; }
  bool IsImageAnimationOn() const { return image_animation_on_; }
  AnimationManager& GetAnimationManager() { return animation_manager_; }
  // The summed scroll offsets of the ancestors.
  virtual Point GetScrollOffsetInScrollBox() const;
  // Whether |control| is this control or lies below it.
  bool ContainsControl(const Control* control) const;

 protected:
  // The paint rectangle of the current pass: the dirty part of the control.
  const Rect& paint_rect() const { return paint_rect_; }
  // Whether the hot state fades in and out ("fadehot", or a hot look).
  bool HasHotFade() const { return animation_manager_.GetAnimationPlayer(kAnimationHot) != nullptr; }
  // What the image rules need to draw this control's images into |context|.
  ImagePaintTarget MakeImagePaintTarget(IRenderContext* context);
  void StopImageAnimation();
  bool DrawImage(IRenderContext* context, Image& image, const std::wstring& modify = std::wstring(), int fade = -1);
  // Folder under which relative image names resolve.
  std::wstring GetImageFolder() const;
  // Fetches the decoded image through the cache when the image has none
  // yet; null when it cannot be loaded.
  ImageInfo* FetchImage(Image& image) const;
  static bool HasFile(const Image& image) { return !image.attribute.image_name.empty(); }
  // The running stage of DispatchEvent: code, then markup handlers for the
  // kind and for "all". False when the control was destroyed on the way.
  bool RunOwnHandlers(EventArgs* args, bool* result);
  // Re-arranges for auto sizes, otherwise repaints; used by image setters.
  void ArrangeOrInvalidate();

  EventMap markup_handlers_;
  EventMap code_handlers_;
  EventMap internal_handlers_;
  std::unique_ptr<UserDataBase> user_data_;
  bool context_menu_ = false;
  bool enabled_ = true;
  bool mouse_enabled_ = true;
  bool keyboard_enabled_ = true;
  bool focused_ = false;
  bool mouse_captured_ = false;
  bool no_focus_ = false;
  bool resize_in_progress_ = false;
  bool clip_ = true;
  bool image_animation_on_ = true;
  bool receive_pointer_ = true;
  bool button_up_on_focus_loss_ = false;
  int border_size_ = 0;
  int tooltip_width_ = 300;
  int alpha_ = 255;
  int hot_alpha_ = 0;
  Size estimated_size_;
  Point render_offset_;
  Size border_round_;
  Rect margin_;
  Rect paint_rect_;
  Rect border_sizes_;
  int cursor_type_ = kCursorArrow;
  int state_ = kControlStateNormal;
  std::wstring tooltip_text_;
  std::wstring tooltip_text_id_;
  std::wstring data_id_;
  std::wstring bk_color_;
  std::wstring bk_color1_;
  std::map<int, std::wstring> state_colors_;
  Image bk_image_;
  std::map<int, Image> state_images_;
  std::map<int, Image> fore_state_images_;
  std::wstring border_color_;
  AnimationManager animation_manager_;
  ImageAnimator image_animator_;

 private:
  void PaintChildrenClipped(IRenderContext* context, const Rect& dirty, bool round_clip);

  // UI thread only, like every control.
  static int instance_count_;
};

}  // namespace ui
