#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <type_traits>

#include "base/string_conversions.h"
#include "ui/core/attribute_values.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/control_host.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"
#include "ui/render/render_interface.h"

namespace ui {

// Default DrawText formats: labels sit at the top left, buttons (check boxes
// and options too) centre their text.
constexpr UINT kLabelTextFormat = kTextEndEllipsis | kTextNoClip | kTextSingleLine;
constexpr UINT kButtonTextFormat = kLabelTextFormat | kTextCenter | kTextVCenter;

// The format flags after an "align" value. Each known word found anywhere
// in the value changes the flags, in a fixed order; "vcenter" also contains
// "center", so it always centres horizontally too.
UINT ApplyTextAlign(const std::wstring& value, UINT format);

// The state whose text colour a label in |state| uses: a missing pushed
// colour falls back to hot, a missing hot or disabled one to normal.
int ResolveTextColorState(const std::map<int, std::wstring>& colors, int state);

// Text on a leaf control or on a container. Both instantiations behave the
// same; only the base differs.
template <typename T>
class LabelTemplate : public T {
 public:
  LabelTemplate();

  // The text, or the language string of the id when the text is empty.
  virtual std::wstring GetText() const;
  virtual std::string GetUTF8Text() const { return qbase::UTF16ToUTF8(GetText()); }
  virtual void SetText(const std::wstring& text);
  virtual void SetUTF8Text(const std::string& text) { SetText(qbase::UTF8ToUTF16(text)); }
  virtual void SetTextId(const std::wstring& id);
  virtual void SetUTF8TextId(const std::string& id) { SetTextId(qbase::UTF8ToUTF16(id)); }
  const std::wstring& GetTextId() const { return text_id_; }

  const std::wstring& GetFont() const { return font_id_; }
  void SetFont(const std::wstring& font_id);
  UINT GetTextStyle() const { return text_format_; }
  void SetTextStyle(UINT format);
  Rect GetTextPadding() const { return text_padding_; }
  void SetTextPadding(const Rect& padding, bool need_dpi_scale = true);
  bool IsSingleLine() const { return single_line_; }
  void SetSingleLine(bool single_line);
  bool IsLineLimit() const { return line_limit_; }
  void SetLineLimit(bool line_limit);
  std::wstring GetStateTextColor(int state) const;
  void SetStateTextColor(int state, const std::wstring& color);

  // Control
  Size EstimateText(Size available) override;
  bool HasHotState() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintText(IRenderContext* context) override;

 protected:
  // One pass of the text in |color_name| at |alpha|, inside the padding.
  void DrawLabelText(IRenderContext* context, const std::wstring& color_name, uint8_t alpha);
  // The text's size may change: a re-layout for auto sizes, else a repaint.
  void TextSizeChanged();
  UINT FormatForSingleLine() const {
    return single_line_ ? (text_format_ | kTextSingleLine) : (text_format_ & ~static_cast<UINT>(kTextSingleLine));
  }

  std::wstring font_id_;
  UINT text_format_ = kLabelTextFormat;
  bool single_line_ = true;
  bool line_limit_ = false;
  Rect text_padding_;
  std::wstring text_;
  std::wstring text_id_;
  std::map<int, std::wstring> text_colors_;
};

template <typename T>
LabelTemplate<T>::LabelTemplate() {
  text_colors_[kControlStateNormal] = ResourceManager::GetDefaultTextColor();
  text_colors_[kControlStateDisabled] = ResourceManager::GetDefaultDisabledTextColor();
  // A leaf label is as large as its text; a container fills its slot.
  if (!std::is_base_of<Box, T>::value) {
    this->fixed_width_ = kLengthAuto;
    this->fixed_height_ = kLengthAuto;
  }
}

template <typename T>
std::wstring LabelTemplate<T>::GetText() const {
  if (text_.empty() && !text_id_.empty()) return ResourceManager::GetLanguageStrings().GetStringViaID(text_id_);
  return text_;
}

template <typename T>
void LabelTemplate<T>::SetText(const std::wstring& text) {
  if (text == text_) return;
  text_ = text;
  TextSizeChanged();
}

template <typename T>
void LabelTemplate<T>::SetTextId(const std::wstring& id) {
  if (id == text_id_) return;
  text_id_ = id;
  TextSizeChanged();
}

template <typename T>
void LabelTemplate<T>::TextSizeChanged() {
  if (this->IsAutoSized()) {
    this->ArrangeAncestor();
  } else {
    this->Invalidate();
  }
}

template <typename T>
void LabelTemplate<T>::SetFont(const std::wstring& font_id) {
  if (font_id == font_id_) return;
  font_id_ = font_id;
  TextSizeChanged();
}

template <typename T>
void LabelTemplate<T>::SetTextStyle(UINT format) {
  text_format_ = format;
  this->Invalidate();
}

template <typename T>
void LabelTemplate<T>::SetTextPadding(const Rect& padding, bool need_dpi_scale) {
  const Rect value = need_dpi_scale ? DpiScale::GetInstance().ScaleRect(padding) : padding;
  if (value == text_padding_) return;
  text_padding_ = value;
  TextSizeChanged();
}

template <typename T>
void LabelTemplate<T>::SetSingleLine(bool single_line) {
  if (single_line == single_line_) return;
  single_line_ = single_line;
  TextSizeChanged();
}

template <typename T>
void LabelTemplate<T>::SetLineLimit(bool line_limit) {
  if (line_limit == line_limit_) return;
  line_limit_ = line_limit;
  this->Invalidate();
}

template <typename T>
std::wstring LabelTemplate<T>::GetStateTextColor(int state) const {
  auto it = text_colors_.find(state);
  return it == text_colors_.end() ? std::wstring() : it->second;
}

template <typename T>
void LabelTemplate<T>::SetStateTextColor(int state, const std::wstring& color) {
  text_colors_[state] = color;
  this->Invalidate();
}

template <typename T>
Size LabelTemplate<T>::EstimateText(Size available) {
  const std::wstring text = GetText();
  if (text.empty()) return Size();
  IRenderContext* context = this->window_ ? this->window_->GetRenderContext() : nullptr;
  if (!context) {
    // Nothing to measure with yet; ask again once the window has a surface.
    this->needs_estimate_ = true;
    return Size();
  }

  const UINT format = FormatForSingleLine();
  const int fixed_width = this->fixed_width_ > 0 ? this->fixed_width_ : 0;
  Rect measured = context->MeasureText(text, font_id_, format, fixed_width);
  int width = measured.Width();
  const int horizontal_padding = text_padding_.left + text_padding_.right;

  Size result;
  if (this->IsAutoWidth()) result.cx = horizontal_padding + width;
  if (this->IsAutoHeight()) {
    if (!single_line_ && this->IsAutoWidth() && this->max_width_ == kLengthStretch) {
      // Wrapped text is as tall as the width it gets: estimate again when
      // the available width changes.
      this->needs_estimate_ = true;
      const int available_width = available.cx - horizontal_padding;
      if (available_width < width) {
        measured = context->MeasureText(text, font_id_, format, available_width);
        width = measured.Width();
      }
    }
    result.cx = horizontal_padding + width;
    result.cy = text_padding_.top + text_padding_.bottom + measured.Height();
  }
  return result;
}

template <typename T>
bool LabelTemplate<T>::HasHotState() {
  return !GetStateTextColor(kControlStateHot).empty() || T::HasHotState();
}

template <typename T>
void LabelTemplate<T>::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const wchar_t* text = value.c_str();
  if (name == L"align") {
    SetTextStyle(ApplyTextAlign(value, text_format_));
  } else if (name == L"endellipsis") {
    SetTextStyle(ParseBool(text) ? (text_format_ | kTextEndEllipsis)
                                 : (text_format_ & ~static_cast<UINT>(kTextEndEllipsis)));
  } else if (name == L"linelimit") {
    SetLineLimit(ParseBool(text));
  } else if (name == L"singleline") {
    SetSingleLine(ParseBool(text));
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"textid") {
    SetTextId(value);
  } else if (name == L"font") {
    SetFont(value);
  } else if (name == L"normaltextcolor") {
    SetStateTextColor(kControlStateNormal, value);
  } else if (name == L"hottextcolor") {
    this->animation_manager_.SetFadeHot(true);
    SetStateTextColor(kControlStateHot, value);
  } else if (name == L"pushedtextcolor") {
    SetStateTextColor(kControlStatePushed, value);
  } else if (name == L"disabledtextcolor") {
    SetStateTextColor(kControlStateDisabled, value);
  } else if (name == L"textpadding") {
    SetTextPadding(ParseRect(text), true);
  } else {
    T::SetAttribute(name, value);
  }
}

template <typename T>
void LabelTemplate<T>::DrawLabelText(IRenderContext* context, const std::wstring& color_name, uint8_t alpha) {
  Rect rect = this->rect_;
  rect.Deflate(text_padding_);
  context->DrawText(rect, GetText(), ResourceManager::GetTextColor(color_name), font_id_, FormatForSingleLine(), alpha,
                    line_limit_);
}

template <typename T>
void LabelTemplate<T>::PaintText(IRenderContext* context) {
  if (!context || GetText().empty()) return;
  const int state = ResolveTextColorState(text_colors_, this->state_);
  const std::wstring hot = GetStateTextColor(kControlStateHot);
  if (this->HasHotFade() && !hot.empty() && (state == kControlStateNormal || state == kControlStateHot)) {
    // The hot colour fades in over the normal one.
    const std::wstring normal = GetStateTextColor(kControlStateNormal);
    if (!normal.empty()) DrawLabelText(context, normal, 255);
    if (this->hot_alpha_ >= 1) DrawLabelText(context, hot, static_cast<uint8_t>(std::min(this->hot_alpha_, 255)));
    return;
  }
  DrawLabelText(context, GetStateTextColor(state), 255);
}

extern template class LabelTemplate<Control>;
extern template class LabelTemplate<Box>;

using Label = LabelTemplate<Control>;
using LabelBox = LabelTemplate<Box>;

}  // namespace ui
