#pragma once

#include <map>
#include <memory>
#include <string>

#include "ui/controls/button.h"
#include "ui/render/image.h"
#include "ui/render/image_painter.h"

namespace ui {

// What every check box and option answers, whatever its base; option groups
// reach their members through it.
class CheckBoxBase {
 public:
  virtual ~CheckBoxBase() = default;
  virtual bool IsSelected() const = 0;
  virtual void SetSelected(bool selected, bool trigger_event = true) = 0;
};

// A button with a selected state and a second set of looks for it.
// Activation toggles the state; select and unselect replace the click.
template <typename T>
class CheckBoxTemplate : public ButtonTemplate<T>, public CheckBoxBase {
 public:
  bool IsSelected() const override { return selected_; }
  void SetSelected(bool selected, bool trigger_event = true) override;

  const std::wstring& GetSelectedTextColor() const { return selected_text_color_; }
  void SetSelectedTextColor(const std::wstring& color);
  std::wstring GetSelectedStateColor(int state) const;
  void SetSelectedStateColor(int state, const std::wstring& color);
  std::wstring GetSelectedStateImage(int state) const;
  void SetSelectedStateImage(int state, const std::wstring& image_string);
  std::wstring GetSelectedForeStateImage(int state) const;
  void SetSelectedForeStateImage(int state, const std::wstring& image_string);

  // Control
  void Activate() override;
  bool HasHotState() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void ReleaseAllImages() override;
  void PaintStateColors(IRenderContext* context) override;
  void PaintStateImages(IRenderContext* context) override;
  void PaintText(IRenderContext* context) override;

 protected:
  bool selected_ = false;
  std::wstring selected_text_color_;
  std::map<int, std::wstring> selected_state_colors_;
  std::map<int, Image> selected_state_images_;
  std::map<int, Image> selected_fore_state_images_;
};

// The state named by an attribute such as "selectedhotimage": |prefix|, a
// state word, then |suffix|. -1 when the name is not of that form.
int SelectedStateFromName(const std::wstring& name, const wchar_t* prefix, const wchar_t* suffix);

template <typename T>
void CheckBoxTemplate<T>::SetSelected(bool selected, bool trigger_event) {
  if (selected == selected_) return;
  selected_ = selected;
  if (this->window_ && trigger_event) {
    std::weak_ptr<qbase::WeakFlag> alive = this->GetWeakFlag();
    this->window_->SendNotify(this, selected ? kEventSelect : kEventUnSelect);
    if (alive.expired()) return;
  }
  this->Invalidate();
}

template <typename T>
void CheckBoxTemplate<T>::Activate() {
  if (this->IsInteractive()) SetSelected(!selected_, true);
}

template <typename T>
bool CheckBoxTemplate<T>::HasHotState() {
  return !GetSelectedStateColor(kControlStateHot).empty() || ButtonTemplate<T>::HasHotState();
}

template <typename T>
void CheckBoxTemplate<T>::SetSelectedTextColor(const std::wstring& color) {
  selected_text_color_ = color;
  this->Invalidate();
}

template <typename T>
std::wstring CheckBoxTemplate<T>::GetSelectedStateColor(int state) const {
  auto it = selected_state_colors_.find(state);
  return it == selected_state_colors_.end() ? std::wstring() : it->second;
}

template <typename T>
void CheckBoxTemplate<T>::SetSelectedStateColor(int state, const std::wstring& color) {
  selected_state_colors_[state] = color;
  this->Invalidate();
}

template <typename T>
std::wstring CheckBoxTemplate<T>::GetSelectedStateImage(int state) const {
  auto it = selected_state_images_.find(state);
  return it == selected_state_images_.end() ? std::wstring() : it->second.attribute.image_string;
}

template <typename T>
void CheckBoxTemplate<T>::SetSelectedStateImage(int state, const std::wstring& image_string) {
  selected_state_images_[state].SetImageString(image_string);
  this->Invalidate();
}

template <typename T>
std::wstring CheckBoxTemplate<T>::GetSelectedForeStateImage(int state) const {
  auto it = selected_fore_state_images_.find(state);
  return it == selected_fore_state_images_.end() ? std::wstring() : it->second.attribute.image_string;
}

template <typename T>
void CheckBoxTemplate<T>::SetSelectedForeStateImage(int state, const std::wstring& image_string) {
  selected_fore_state_images_[state].SetImageString(image_string);
  this->Invalidate();
}

template <typename T>
void CheckBoxTemplate<T>::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"selected") {
    SetSelected(value == L"true", true);
    return;
  }
  if (name == L"selectedtextcolor") {
    SetSelectedTextColor(value);
    return;
  }
  int state = SelectedStateFromName(name, L"selected", L"image");
  if (state >= 0) {
    SetSelectedStateImage(state, value);
    return;
  }
  state = SelectedStateFromName(name, L"selected", L"color");
  if (state >= 0) {
    SetSelectedStateColor(state, value);
    return;
  }
  state = SelectedStateFromName(name, L"selectedfore", L"image");
  if (state >= 0) {
    SetSelectedForeStateImage(state, value);
    return;
  }
  ButtonTemplate<T>::SetAttribute(name, value);
}

template <typename T>
void CheckBoxTemplate<T>::ReleaseAllImages() {
  for (auto& entry : selected_state_images_) entry.second.ClearCache();
  for (auto& entry : selected_fore_state_images_) entry.second.ClearCache();
  ButtonTemplate<T>::ReleaseAllImages();
}

template <typename T>
void CheckBoxTemplate<T>::PaintStateColors(IRenderContext* context) {
  if (!selected_) {
    ButtonTemplate<T>::PaintStateColors(context);
    return;
  }
  PaintStateColor(this->MakeImagePaintTarget(context), selected_state_colors_, this->state_, this->HasHotFade(),
                  this->hot_alpha_);
}

template <typename T>
void CheckBoxTemplate<T>::PaintStateImages(IRenderContext* context) {
  if (!selected_) {
    ButtonTemplate<T>::PaintStateImages(context);
    return;
  }
  if (selected_state_images_.empty() && selected_fore_state_images_.empty()) return;
  const ImagePaintTarget target = this->MakeImagePaintTarget(context);
  PaintStateImage(target, selected_state_images_, this->state_, std::wstring(), this->HasHotFade(), this->hot_alpha_);
  PaintStateImage(target, selected_fore_state_images_, this->state_, std::wstring(), this->HasHotFade(),
                  this->hot_alpha_);
}

template <typename T>
void CheckBoxTemplate<T>::PaintText(IRenderContext* context) {
  if (!selected_) {
    ButtonTemplate<T>::PaintText(context);
    return;
  }
  if (!context || this->GetText().empty()) return;
  std::wstring color;
  if (!this->IsEnabled()) color = this->GetStateTextColor(kControlStateDisabled);
  if (color.empty() && this->IsEnabled()) color = selected_text_color_;
  if (color.empty()) color = this->GetStateTextColor(kControlStateNormal);
  this->DrawLabelText(context, color, 255);
}

extern template class CheckBoxTemplate<Control>;
extern template class CheckBoxTemplate<Box>;

using CheckBox = CheckBoxTemplate<Control>;
using CheckBoxBox = CheckBoxTemplate<Box>;

}  // namespace ui
