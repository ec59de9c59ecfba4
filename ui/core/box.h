#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/core/control.h"
#include "ui/core/layout.h"

namespace ui {

// The container control: an ordered list of children positioned by one
// layout object. With auto destroy on (the default) the box owns its
// children.
class Box : public Control {
 public:
  // Null means the base layout.
  explicit Box(std::unique_ptr<Layout> layout = nullptr);
  ~Box() override;

  using Control::SetWindow;
  void SetWindow(ControlHost* window, Box* parent, bool init) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void SetPos(Rect rect) override;
  Size EstimateSize(Size available) override;
  void SetVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void PaintChildren(IRenderContext* context, const Rect& dirty) override;
  Control* FindControl(const FindVisitor& visitor, void* data, UINT flags, Point scroll_offset = Point()) override;
  void DispatchEvent(EventArgs* args) override;

  // The nearest visible, enabled child from |index| on in the direction
  // given; -1 when there is none.
  virtual int FindSelectable(int index, bool forward) const;
  virtual Control* GetItemAt(size_t index) const;
  virtual int GetItemIndex(Control* control) const;
  virtual bool SetItemIndex(Control* control, size_t index);
  virtual size_t GetCount() const { return children_.size(); }
  virtual bool Add(Control* control);
  virtual bool AddAt(Control* control, size_t index);
  virtual bool Remove(Control* control);
  virtual bool RemoveAt(size_t index);
  virtual void RemoveAll();
  virtual bool IsAutoDestroy() const { return auto_destroy_; }
  virtual void SetAutoDestroy(bool value) { auto_destroy_ = value; }
  virtual bool IsDelayedDestroy() const { return delayed_destroy_; }
  virtual void SetDelayedDestroy(bool value) { delayed_destroy_ = value; }
  virtual bool IsMouseChildEnabled() const { return mouse_child_; }
  virtual void SetMouseChildEnabled(bool value) { mouse_child_ = value; }
  virtual Layout* GetLayout() const { return layout_.get(); }
  // Takes ownership; the old layout is destroyed. Null is ignored.
  virtual void SetLayout(Layout* layout);
  // The position deflated by the padding.
  virtual Rect GetPaddingPos() const;
  // How far scrolling containers have moved their content; 0 here.
  virtual Point GetScrollOffset() const { return Point(); }

  void AttachBubbledEvent(int kind, EventHandler handler) {
    code_bubbled_handlers_[kind].push_back(std::move(handler));
  }
  void AttachMarkupBubbledEvent(int kind, EventHandler handler) {
    markup_bubbled_handlers_[kind].push_back(std::move(handler));
  }

  const std::vector<Control*>& children() const { return children_; }
  // Changes whenever a child is placed, shown, hidden, floated, added,
  // removed or moved in the list, so indexes of the children know when
  // they are out of date.
  uint64_t children_generation() const { return children_generation_; }
  void NoteChildrenChanged() { ++children_generation_; }

 protected:
  // The children a hit test at |point| (in the children's coordinates)
  // tries, in child order; every child left out must be one the point
  // misses. All of them here.
  virtual void CollectHitCandidates(const Point& point, UINT flags, std::vector<Control*>* candidates);
  // Destroys a child taken out of the list, now or through the window.
  void DestroyChild(Control* control);

  EventMap markup_bubbled_handlers_;
  std::unique_ptr<Layout> layout_;
  bool auto_destroy_ = true;
  bool delayed_destroy_ = true;
  bool mouse_child_ = true;
  std::vector<Control*> children_;
  EventMap code_bubbled_handlers_;
  uint64_t children_generation_ = 0;
};

}  // namespace ui
