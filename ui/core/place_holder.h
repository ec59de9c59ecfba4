#pragma once

#include <memory>
#include <string>

#include "ui/core/attribute_values.h"
#include "ui/core/rect.h"
#include "ui/core/size.h"

namespace ui {

class Box;
class ControlHost;
class IRenderContext;

// The part of a control that knows its name, size constraints, position,
// visibility and the arranging protocol, and nothing about its look.
class PlaceHolder {
 public:
  PlaceHolder();
  virtual ~PlaceHolder();
  PlaceHolder(const PlaceHolder&) = delete;
  PlaceHolder& operator=(const PlaceHolder&) = delete;

  virtual ControlHost* GetWindow() const { return window_; }
  virtual void SetWindow(ControlHost* window) { window_ = window; }
  // Init runs when |init| is set and a parent is given.
  virtual void SetWindow(ControlHost* window, Box* parent, bool init);
  virtual void Init();
  virtual void DoInit() {}
  // Own and inherited visibility together.
  virtual bool IsVisible() const { return visible_ && intern_visible_; }
  virtual Size EstimateSize(Size available);
  virtual Rect GetPos() const { return rect_; }
  virtual void SetPos(Rect rect) { rect_ = rect; }
  // Re-lays out whatever this control's size can affect.
  virtual void Arrange();
  // Marks the nearest ancestor with a fixed size for a new layout pass.
  virtual void ArrangeAncestor();
  virtual void Invalidate() {}
  // Marks this control for a new layout pass.
  virtual void ArrangeSelf();

  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& name) { name_ = name; }
  Box* GetParent() const { return parent_; }

  int GetFixedWidth() const { return fixed_width_; }
  int GetFixedHeight() const { return fixed_height_; }
  // A positive value is scaled when |scale| is set; negative values other
  // than stretch and auto are ignored. A change re-arranges the ancestor
  // when |arrange| is set, otherwise only invalidates the estimate.
  void SetFixedWidth(int width, bool arrange = true, bool scale = true);
  void SetFixedHeight(int height, bool arrange = true, bool scale = true);
  int GetMinWidth() const { return min_width_; }
  int GetMinHeight() const { return min_height_; }
  int GetMaxWidth() const { return max_width_; }
  int GetMaxHeight() const { return max_height_; }
  void SetMinWidth(int width);
  void SetMinHeight(int height);
  void SetMaxWidth(int width);
  void SetMaxHeight(int height);
  int GetWidth() const { return rect_.Width(); }
  int GetHeight() const { return rect_.Height(); }
  bool IsAutoWidth() const { return fixed_width_ == kLengthAuto; }
  bool IsAutoHeight() const { return fixed_height_ == kLengthAuto; }
  bool IsAutoSized() const { return IsAutoWidth() || IsAutoHeight(); }

  int GetHorAlignType() const { return horizontal_align_; }
  void SetHorAlignType(int align) { horizontal_align_ = align; }
  int GetVerAlignType() const { return vertical_align_; }
  void SetVerAlignType(int align) { vertical_align_ = align; }

  bool IsFloat() const { return float_; }
  void SetFloat(bool value);

  bool IsReEstimateSize() const { return needs_estimate_; }
  void SetReEstimateSize(bool value) { needs_estimate_ = value; }
  bool IsArranged() const { return needs_arrange_; }
  bool IsInternVisible() const { return intern_visible_; }

  bool IsCacheEnabled() const { return cache_; }
  void SetCacheEnabled(bool value) { cache_ = value; }
  bool IsCacheDirty() const { return cache_dirty_; }
  void SetCacheDirty(bool value) { cache_dirty_ = value; }

 protected:
  // Tells the parent that its children's places or membership changed.
  void NoteParentOfChange();

  std::wstring name_;
  ControlHost* window_ = nullptr;
  Box* parent_ = nullptr;
  int fixed_width_ = kLengthStretch;
  int fixed_height_ = kLengthStretch;
  int min_width_ = -1;
  int min_height_ = -1;
  int max_width_ = kMaxLength;
  int max_height_ = kMaxLength;
  Rect rect_;
  int horizontal_align_ = kAlignLeft;
  int vertical_align_ = kAlignTop;
  bool float_ = false;
  bool needs_estimate_ = true;
  bool visible_ = true;
  bool intern_visible_ = true;
  bool needs_arrange_ = true;
  bool cache_ = false;
  bool cache_dirty_ = false;
  std::unique_ptr<IRenderContext> render_context_;
};

}  // namespace ui
