#pragma once

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/control_host.h"
#include "ui/render/render_interface.h"

namespace ui {
namespace test {

// A stand-in for the host window: it keeps the state controls ask for and
// runs the layout pass the window runs before painting, without a native
// window of its own unless asked for one.
class TestHost : public ControlHost {
 public:
  TestHost() = default;
  ~TestHost() override {
    delete root_;
    FlushDelayedCleanup();
    if (hwnd_) ::DestroyWindow(hwnd_);
  }

  // A hidden native window, so layout roots take window attributes.
  void CreateNativeWindow() {
    hwnd_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }

  void AttachRoot(Control* root) {
    root_ = root;
    needs_layout_ = true;
    InitControls(root, nullptr);
  }
  // The pass the window makes before a paint.
  void Layout(const Rect& client) {
    if (!root_ || !needs_layout_) return;
    needs_layout_ = false;
    if (root_->IsArranged()) {
      root_->SetPos(client);
      return;
    }
    for (int guard = 0; guard < 10000; ++guard) {
      Control* next =
          root_->FindControl([](Control* control, void*) { return control->IsArranged() ? control : nullptr; }, nullptr,
                             kFindVisible | kFindMeFirst);
      if (!next) break;
      next->SetPos(next->GetPos());
    }
  }
  void Paint(IRenderContext* context, const Rect& dirty) {
    if (root_) root_->Paint(context, dirty);
  }
  void FlushDelayedCleanup() {
    std::vector<Control*> pending;
    pending.swap(delayed_);
    for (Control* control : pending) delete control;
  }
  Control* HitTest(Point point) {
    return root_ ? root_->FindControl([](Control* control, void*) { return control; }, &point,
                                      kFindVisible | kFindHitTest | kFindTopFirst)
                 : nullptr;
  }

  void set_hover(Control* control) { hover_ = control; }
  void set_last_mouse_point(Point point) { last_mouse_point_ = point; }
  bool needs_layout() const { return needs_layout_; }
  size_t delayed_count() const { return delayed_.size(); }
  int reaped() const { return reaped_; }
  const std::vector<std::pair<std::wstring, std::wstring>>& window_attributes() const { return window_attributes_; }
  const std::vector<Rect>& invalidated() const { return invalidated_; }
  void clear_invalidated() { invalidated_.clear(); }

  // ControlHost
  HWND GetHWND() const override { return hwnd_; }
  Control* GetRoot() const override { return root_; }
  void SetNeedsLayout() override { needs_layout_ = true; }
  void Invalidate(const Rect& rect) override { invalidated_.push_back(rect); }
  Point GetLastMousePoint() const override { return last_mouse_point_; }
  Control* GetFocus() const override { return focus_; }
  void SetFocus(Control* control) override { focus_ = control; }
  Control* GetHoverControl() const override { return hover_; }
  void SendNotify(Control* control, int kind, WPARAM wparam, LPARAM lparam) override {
    notified_.push_back(kind);
    control->SendEvent(kind, wparam, lparam);
  }
  void InitControls(Control* control, Box* parent) override {
    control->SetWindow(this, parent, true);
    control->FindControl(
        [this](Control* found, void*) -> Control* {
          if (!found->GetName().empty()) names_[found->GetName()] = found;
          return nullptr;
        },
        nullptr, 0);
  }
  void ReapControl(Control* control) override {
    ++reaped_;
    if (focus_ == control) focus_ = nullptr;
    if (hover_ == control) hover_ = nullptr;
    if (root_ == control) root_ = nullptr;
    auto it = names_.find(control->GetName());
    if (it != names_.end() && it->second == control) names_.erase(it);
  }
  Control* FindControl(const std::wstring& name) const override {
    auto it = names_.find(name);
    return it == names_.end() ? nullptr : it->second;
  }
  void AddDelayedCleanup(Control* control) override { delayed_.push_back(control); }
  std::wstring GetClassAttributes(const std::wstring& name) const override {
    auto it = classes_.find(name);
    return it == classes_.end() ? std::wstring() : it->second;
  }
  void AddClass(const std::wstring& name, const std::wstring& list) override { classes_[name] = list; }
  std::wstring GetResourcePath() const override { return resource_path_; }
  void set_resource_path(const std::wstring& path) { resource_path_ = path; }
  IRenderContext* GetRenderContext() const override { return render_context_; }
  void set_render_context(IRenderContext* context) { render_context_ = context; }
  bool AddOptionGroup(const std::wstring& group, Control* control) override {
    std::vector<Control*>& members = option_groups_[group];
    if (std::find(members.begin(), members.end(), control) != members.end()) return false;
    members.push_back(control);
    return true;
  }
  const std::vector<Control*>* GetOptionGroup(const std::wstring& group) const override {
    auto it = option_groups_.find(group);
    return it == option_groups_.end() ? nullptr : &it->second;
  }
  void RemoveOptionGroup(const std::wstring& group, Control* control) override {
    auto it = option_groups_.find(group);
    if (it == option_groups_.end()) return;
    it->second.erase(std::remove(it->second.begin(), it->second.end(), control), it->second.end());
    if (it->second.empty()) option_groups_.erase(it);
  }
  void ApplyWindowAttribute(const std::wstring& name, const std::wstring& value) override {
    window_attributes_.emplace_back(name, value);
  }

  std::vector<int> notified_;

 private:
  HWND hwnd_ = nullptr;
  Control* root_ = nullptr;
  Control* focus_ = nullptr;
  Control* hover_ = nullptr;
  Point last_mouse_point_;
  bool needs_layout_ = false;
  int reaped_ = 0;
  std::map<std::wstring, Control*> names_;
  std::map<std::wstring, std::wstring> classes_;
  std::vector<Control*> delayed_;
  std::vector<Rect> invalidated_;
  std::vector<std::pair<std::wstring, std::wstring>> window_attributes_;
  std::wstring resource_path_;
  IRenderContext* render_context_ = nullptr;
  std::map<std::wstring, std::vector<Control*>> option_groups_;
};

}  // namespace test
}  // namespace ui
