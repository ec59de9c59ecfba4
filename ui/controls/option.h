#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ui/controls/check_box.h"

namespace ui {

// A check box in a named group of its window, of which at most one member
// is selected: selecting one deselects the others. Activation clicks and
// selects; it never deselects.
template <typename T>
class OptionTemplate : public CheckBoxTemplate<T> {
 public:
  OptionTemplate() = default;
  ~OptionTemplate() override { LeaveGroup(); }

  const std::wstring& GetGroup() const { return group_; }
  // Leaves the old group, joins the new one, and selects again so that a
  // selected option entering a group deselects the member selected there.
  void SetGroup(const std::wstring& group);

  // CheckBoxTemplate
  void SetSelected(bool selected, bool trigger_event = true) override;

  // Control
  void SetWindow(ControlHost* window) override;
  void SetWindow(ControlHost* window, Box* parent, bool init) override;
  void Activate() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 private:
  void JoinGroup();
  void LeaveGroup();
  // Deselects the other selected members; false when this option was
  // destroyed by one of their handlers.
  bool DeselectOthers(bool trigger_event);

  std::wstring group_;
  // The window this option is registered with under |group_|, so it can
  // leave that window's group even after moving elsewhere.
  ControlHost* group_window_ = nullptr;
};

template <typename T>
void OptionTemplate<T>::JoinGroup() {
  if (group_.empty() || !this->window_) return;
  this->window_->AddOptionGroup(group_, this);
  group_window_ = this->window_;
}

template <typename T>
void OptionTemplate<T>::LeaveGroup() {
  if (group_window_ && !group_.empty()) group_window_->RemoveOptionGroup(group_, this);
  group_window_ = nullptr;
}

template <typename T>
void OptionTemplate<T>::SetWindow(ControlHost* window) {
  if (group_window_ && group_window_ != window) LeaveGroup();
  CheckBoxTemplate<T>::SetWindow(window);
}

template <typename T>
void OptionTemplate<T>::SetWindow(ControlHost* window, Box* parent, bool init) {
  if (group_window_ && group_window_ != window) LeaveGroup();
  CheckBoxTemplate<T>::SetWindow(window, parent, init);
  if (init) JoinGroup();
}

template <typename T>
void OptionTemplate<T>::SetGroup(const std::wstring& group) {
  if (group == group_) return;
  LeaveGroup();
  group_ = group;
  JoinGroup();
  // An unselected option has nothing to announce or to take from others.
  if (this->selected_) SetSelected(true, true);
}

template <typename T>
bool OptionTemplate<T>::DeselectOthers(bool trigger_event) {
  const std::vector<Control*>* members = this->window_->GetOptionGroup(group_);
  if (!members) return true;
  // Handlers of the members may change the group or destroy members, so
  // work on a copy and skip whoever has left in the meantime.
  const std::vector<Control*> snapshot = *members;
  std::weak_ptr<qbase::WeakFlag> alive = this->GetWeakFlag();
  ControlHost* window = this->window_;
  const std::wstring group = group_;
  for (Control* member : snapshot) {
    if (member == this) continue;
    const std::vector<Control*>* current = window->GetOptionGroup(group);
    if (!current || std::find(current->begin(), current->end(), member) == current->end()) continue;
    CheckBoxBase* option = dynamic_cast<CheckBoxBase*>(member);
    // Only a member that changes reports it.
    if (!option || !option->IsSelected()) continue;
    option->SetSelected(false, trigger_event);
    if (alive.expired()) return false;
  }
  return true;
}

template <typename T>
void OptionTemplate<T>::SetSelected(bool selected, bool trigger_event) {
  this->selected_ = selected;
  if (this->window_) {
    std::weak_ptr<qbase::WeakFlag> alive = this->GetWeakFlag();
    if (selected) {
      if (!group_.empty() && !DeselectOthers(trigger_event)) return;
      if (!trigger_event) {
        this->Invalidate();
        return;
      }
      this->window_->SendNotify(this, kEventSelect);
    } else {
      this->window_->SendNotify(this, kEventUnSelect);
    }
    if (alive.expired()) return;
  }
  this->Invalidate();
}

template <typename T>
void OptionTemplate<T>::Activate() {
  std::weak_ptr<qbase::WeakFlag> alive = this->GetWeakFlag();
  ButtonTemplate<T>::Activate();
  if (alive.expired()) return;
  if (this->IsInteractive()) SetSelected(true, true);
}

template <typename T>
void OptionTemplate<T>::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"group") {
    SetGroup(value);
  } else {
    CheckBoxTemplate<T>::SetAttribute(name, value);
  }
}

extern template class OptionTemplate<Control>;
extern template class OptionTemplate<Box>;

using Option = OptionTemplate<Control>;
using OptionBox = OptionTemplate<Box>;

}  // namespace ui
