#include "ui/controls/rich_edit.h"

#include <algorithm>
#include <cstdio>

#include "base/string_conversions.h"
#include "ui/controls/on_screen_keyboard_manager.h"
#include "ui/controls/text_services_library.h"
#include "ui/controls/txt_win_host.h"
#include "ui/core/attribute_values.h"
#include "ui/core/control_host.h"
#include "ui/core/resource_manager.h"
#include "ui/core/timer_service.h"
#include "ui/render/auto_clip.h"
#include "ui/render/render_interface.h"

namespace ui {

namespace {

constexpr int kCaretBlinkMs = 500;
constexpr UINT kTextWordBreak = 0x10;
constexpr uint32_t kDefaultCaretColor = 0xFF000000;
// The platform's edit style bits that the control keeps for the engine.
constexpr DWORD kScrollStyleBits = WS_VSCROLL | WS_HSCROLL | ES_DISABLENOSCROLL;

std::wstring& LibraryOverride() {
  static std::wstring path;
  return path;
}

std::wstring TrimLeadingSpaces(const std::wstring& value) {
  const size_t start = value.find_first_not_of(L' ');
  return start == std::wstring::npos ? std::wstring() : value.substr(start);
}

COLORREF ToColorRef(uint32_t argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// What the clipboard holds as text: Unicode text, else ANSI text in the
// active code page. Reads never run past the clipboard's own block.
std::wstring ReadClipboardText(HWND owner) {
  std::wstring text;
  if (!::OpenClipboard(owner)) return text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
      const size_t capacity = ::GlobalSize(data) / sizeof(wchar_t);
      size_t length = 0;
      while (length < capacity && chars[length]) ++length;
      text.assign(chars, length);
      ::GlobalUnlock(data);
    }
  } else if (HANDLE ansi = ::GetClipboardData(CF_TEXT)) {
    if (const auto* bytes = static_cast<const char*>(::GlobalLock(ansi))) {
      const size_t capacity = ::GlobalSize(ansi);
      size_t length = 0;
      while (length < capacity && bytes[length]) ++length;
      if (length > 0 && length < 0x7FFFFFFF) {
        const int needed = ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), nullptr, 0);
        if (needed > 0) {
          text.resize(static_cast<size_t>(needed));
          ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), &text[0], needed);
        }
      }
      ::GlobalUnlock(ansi);
    }
  }
  ::CloseClipboard();
  return text;
}

}  // namespace

RichEdit::RichEdit() {
  text_color_ = ResourceManager::GetDefaultTextColor();
  disabled_text_color_ = ResourceManager::GetDefaultDisabledTextColor();
  cursor_type_ = kCursorIBeam;
}

RichEdit::~RichEdit() {
  StopCaretBlink();
  if (engine_focused_) OnScreenKeyboardManager::GetInstance()->ShowOSK(false);
  if (CTxtWinHost* host = host_) {
    host_ = nullptr;
    host->Shutdown();
    host->Release();
  }
}

void RichEdit::SetLibraryForTesting(const std::wstring& path) { LibraryOverride() = path; }

bool RichEdit::HasEngine() const { return host_ && host_->services(); }

LRESULT RichEdit::TxSendMessage(UINT message, WPARAM wparam, LPARAM lparam) const {
  if (!HasEngine()) return 0;
  LRESULT result = 0;
  host_->services()->TxSendMessage(message, wparam, lparam, &result);
  return result;
}

void RichEdit::SetTimerService(TimerService* service) {
  timer_service_ = service;
  ScrollableBox::SetTimerService(service);
  if (host_) host_->SetTimerService(service);
}

HWND RichEdit::HostWindowHandle() const { return window_ ? window_->GetHWND() : nullptr; }

void RichEdit::DoInit() {
  if (host_) return;
  CreateHost();
}

void RichEdit::CreateHost() {
  auto* host = new CTxtWinHost(this);
  host->SetTimerService(timer_service_);
  host_ = host;
  ApplyStyleToHost();
  ApplyFont();
  ApplyTextColor();
  host_->SetClientRect(ComputeClientRect());
  const TextServicesLibrary* library =
      LibraryOverride().empty() ? TextServicesLibrary::Default() : TextServicesLibrary::Load(LibraryOverride());
  if (!host->CreateServices(library)) {
    // The control goes on as a plain picture of its text.
    host_ = nullptr;
    host->Shutdown();
    host->Release();
    return;
  }
  ITextServices* services = host->services();
  ApplyLimit();
  if (!pending_text_.empty()) {
    const std::wstring text = pending_text_;
    pending_text_.clear();
    SetText(text);
  }
  TxSendMessage(EM_SETLANGOPTIONS, 0, 0);
  TxSendMessage(EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_LINK);
  const Rect client = host->client_rect();
  services->OnTxInPlaceActivate(&client);
  in_place_active_ = true;
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    if (bar) bar->SetScrollRange(0);
  }
  ApplyTextColor();
}

void RichEdit::ApplyStyleToHost() {
  if (!host_) return;
  const bool multi_line = IsMultiLine();
  host_->SetPropertyBit(kTxtBitMultiLine, multi_line);
  host_->SetPropertyBit(kTxtBitReadOnly, read_only_);
  host_->SetPropertyBit(kTxtBitUsePassword, password_);
  host_->SetPropertyBit(kTxtBitRichText, rich_);
  // Multi-line text wraps unless it scrolls sideways.
  host_->SetPropertyBit(kTxtBitWordWrap, multi_line && !(style_ & WS_HSCROLL));
  host_->SetPropertyBit(kTxtBitHideSelection, true);
  host_->SetPropertyBit(kTxtBitSaveSelection, true);
  // Nothing may be dropped past the digit filter or dragged out of a
  // password.
  host_->SetPropertyBit(kTxtBitDisableDrag, true);
  host_->SetScrollBars(style_);
  host_->SetMaxLength(limit_text_);
  host_->SetParagraphAlignment((style_ & ES_CENTER) ? PFA_CENTER : ((style_ & ES_RIGHT) ? PFA_RIGHT : PFA_LEFT));
}

COLORREF RichEdit::CurrentTextColor() const {
  const std::wstring& name = IsEnabled() ? text_color_ : disabled_text_color_;
  return ToColorRef(ResourceManager::GetTextColor(name));
}

void RichEdit::ApplyTextColor() {
  if (!host_) return;
  const COLORREF color = CurrentTextColor();
  host_->SetTextColor(color);
  if (!HasEngine()) return;
  CHARFORMAT2W format = {};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.crTextColor = color;
  TxSendMessage(EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

void RichEdit::ApplyFont() {
  if (!host_) return;
  const FontInfo* font = ResourceManager::GetFont(font_id_);
  if (!font) font = ResourceManager::GetFont(std::wstring());
  if (!font) return;
  host_->SetFont(font->face_name, font->size, font->bold, font->italic, font->underline);
}

std::wstring RichEdit::GetText() const {
  if (!HasEngine()) return pending_text_;
  GETTEXTLENGTHEX length_query = {GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, 1200};
  const LRESULT length = TxSendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length_query), 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GETTEXTEX query = {};
  query.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  query.flags = GT_USECRLF;
  query.codepage = 1200;
  const LRESULT copied =
      TxSendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(copied, length))));
  return text;
}

std::string RichEdit::GetUTF8Text() const { return qbase::UTF16ToUTF8(GetText()); }

void RichEdit::SetText(const std::wstring& text) {
  // The field holds at most its limit whoever fills it: a page that sends
  // megabytes must not stall the program laying them out.
  std::wstring kept = text.size() > limit_text_ ? text.substr(0, limit_text_) : text;
  if (kept.size() < text.size() && !kept.empty() && IS_HIGH_SURROGATE(kept.back())) kept.pop_back();
  if (!HasEngine()) {
    pending_text_ = kept;
    Invalidate();
    return;
  }
  host_->services()->TxSetText(kept.c_str());
  Invalidate();
}

void RichEdit::SetUTF8Text(const std::string& text) { SetText(qbase::UTF8ToUTF16(text)); }

void RichEdit::SetTextId(const std::wstring& id) { SetText(ResourceManager::GetLanguageStrings().GetStringViaID(id)); }

int RichEdit::GetTextLength() const {
  if (!HasEngine()) return static_cast<int>(pending_text_.size());
  GETTEXTLENGTHEX query = {GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, 1200};
  return static_cast<int>(TxSendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0));
}

int RichEdit::CharacterCount() const {
  GETTEXTLENGTHEX query = {GTL_PRECISE | GTL_NUMCHARS, 1200};
  return static_cast<int>(TxSendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0));
}

void RichEdit::SetSel(int start, int end) {
  // Engines differ on a negative start; here it always means the end.
  if (start < 0) start = end = CharacterCount();
  CHARRANGE range = {start, end};
  TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void RichEdit::GetSel(int* start, int* end) const {
  CHARRANGE range = {0, 0};
  TxSendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  if (start) *start = range.cpMin;
  if (end) *end = range.cpMax;
}

std::wstring RichEdit::GetTextRange(int first, int end) const {
  if (!HasEngine()) return std::wstring();
  const int count = CharacterCount();
  if (end < 0 || end > count) end = count;
  if (first < 0) first = 0;
  if (end <= first) return std::wstring();
  std::wstring text(static_cast<size_t>(end - first) + 1, L'\0');
  TEXTRANGEW range = {};
  range.chrg.cpMin = first;
  range.chrg.cpMax = end;
  range.lpstrText = &text[0];
  const LRESULT copied = TxSendMessage(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(copied, end - first))));
  return text;
}

std::wstring RichEdit::GetSelText() const {
  int start = 0;
  int end = 0;
  GetSel(&start, &end);
  return GetTextRange(start, end);
}

void RichEdit::ReplaceSel(const std::wstring& text, bool can_undo) {
  TxSendMessage(EM_REPLACESEL, can_undo ? TRUE : FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void RichEdit::Copy() {
  // Nothing leaves a password field.
  if (!password_) TxSendMessage(WM_COPY, 0, 0);
}

void RichEdit::Cut() {
  if (!password_ && !read_only_) TxSendMessage(WM_CUT, 0, 0);
}

void RichEdit::Paste() {
  if (read_only_) return;
  if (digits_only_) {
    PasteDigits();
  } else if (!rich_) {
    PastePlainText();
  } else {
    TxSendMessage(WM_PASTE, 0, 0);
  }
}

bool RichEdit::PastePlainText() {
  // What a plain-text field pastes is the clipboard's text at the caret;
  // Wine's engine instead replaced the whole text with it.
  const std::wstring text = ReadClipboardText(HostWindowHandle());
  if (text.empty()) return false;
  ReplaceSel(text, true);
  return true;
}

void RichEdit::Clear() { TxSendMessage(WM_CLEAR, 0, 0); }

bool RichEdit::Undo() { return TxSendMessage(EM_UNDO, 0, 0) != 0; }

bool RichEdit::PasteDigits() {
  // Only the digits go in, straight into the selection: the clipboard is
  // the user's and stays as it was, every format of it.
  std::wstring digits;
  for (wchar_t c : ReadClipboardText(HostWindowHandle())) {
    if (IsDigit(c)) digits += c;
  }
  if (digits.empty()) return false;
  ReplaceSel(digits, true);
  return true;
}

void RichEdit::SetMultiLine(bool multi_line) {
  style_ = multi_line ? (style_ | ES_MULTILINE) : (style_ & ~static_cast<DWORD>(ES_MULTILINE));
  ApplyStyleToHost();
}

void RichEdit::SetReadOnly(bool read_only) {
  read_only_ = read_only;
  style_ = read_only ? (style_ | ES_READONLY) : (style_ & ~static_cast<DWORD>(ES_READONLY));
  ApplyStyleToHost();
  Invalidate();
}

void RichEdit::SetPassword(bool password) {
  password_ = password;
  style_ = password ? (style_ | ES_PASSWORD) : (style_ & ~static_cast<DWORD>(ES_PASSWORD));
  ApplyStyleToHost();
  Invalidate();
}

void RichEdit::SetRich(bool rich) {
  rich_ = rich;
  ApplyStyleToHost();
}

int RichEdit::GetLimitText() const { return static_cast<int>(limit_text_); }

void RichEdit::SetLimitText(int limit) {
  limit_text_ = limit > 0 ? static_cast<DWORD>(limit) : CTxtWinHost::kDefaultMaxLength;
  ApplyLimit();
}

void RichEdit::ApplyLimit() {
  if (!host_) return;
  host_->SetMaxLength(limit_text_);
  // Not every engine rereads the host's maximum when told it changed.
  TxSendMessage(EM_EXLIMITTEXT, 0, static_cast<LPARAM>(limit_text_));
}

void RichEdit::SetFont(const std::wstring& font_id) {
  font_id_ = font_id;
  ApplyFont();
  Arrange();
}

void RichEdit::SetTextColor(const std::wstring& color) {
  text_color_ = color;
  if (IsEnabled()) ApplyTextColor();
  Invalidate();
}

void RichEdit::SetDisabledTextColor(const std::wstring& color) {
  disabled_text_color_ = color;
  if (!IsEnabled()) ApplyTextColor();
  Invalidate();
}

void RichEdit::SetPromptMode(bool on) {
  prompt_mode_ = on;
  Invalidate();
}

void RichEdit::SetPromptText(const std::wstring& text) {
  prompt_text_ = text;
  Invalidate();
}

void RichEdit::SetPromptTextId(const std::wstring& id) {
  prompt_text_id_ = id;
  Invalidate();
}

std::wstring RichEdit::GetPromptText() const {
  if (prompt_text_.empty() && !prompt_text_id_.empty())
    return ResourceManager::GetLanguageStrings().GetStringViaID(prompt_text_id_);
  return prompt_text_;
}

void RichEdit::SetFocusedImage(const std::wstring& image_string) {
  focused_image_.SetImageString(image_string);
  Invalidate();
}

void RichEdit::AddLinkInfo(int first, int end, const std::wstring& text) {
  if (first < 0 || end <= first) return;
  links_.push_back({first, end, text});
  if (!HasEngine() || !rich_) return;
  CHARRANGE saved = {0, 0};
  TxSendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  CHARRANGE range = {first, end};
  TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2W format = {};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_LINK;
  format.dwEffects = CFE_LINK;
  TxSendMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
}

void RichEdit::ClearLinks() { links_.clear(); }

int RichEdit::CharFromPoint(Point engine_point) const {
  POINTL point = {engine_point.x, engine_point.y};
  return static_cast<int>(TxSendMessage(EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&point)));
}

std::wstring RichEdit::GetLinkAt(Point point) const {
  if (links_.empty() || !HasEngine()) return std::wstring();
  const Point engine_point = ToEngine(point);
  if (!host_->client_rect().Contains(engine_point)) return std::wstring();
  const int position = CharFromPoint(engine_point);
  for (const Link& link : links_) {
    if (position >= link.first && position < link.end) return link.text;
  }
  return std::wstring();
}

void RichEdit::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const wchar_t* text = value.c_str();
  auto set_style = [this](DWORD bits, bool on) {
    style_ = on ? (style_ | bits) : (style_ & ~bits);
    ApplyStyleToHost();
  };
  if (name == L"vscrollbar") {
    EnableScrollBar(ParseBool(text), horizontal_bar_ != nullptr);
  } else if (name == L"hscrollbar") {
    EnableScrollBar(vertical_bar_ != nullptr, ParseBool(text));
  } else if (name == L"autovscroll" || name == L"autohscroll") {
    const DWORD bit = name == L"autovscroll" ? ES_AUTOVSCROLL : ES_AUTOHSCROLL;
    if (value == L"true") set_style(bit, true);
    if (value == L"false") set_style(bit, false);
  } else if (name == L"multiline") {
    if (value == L"true") SetMultiLine(true);
    if (value == L"false") SetMultiLine(false);
  } else if (name == L"readonly") {
    if (value == L"true") SetReadOnly(true);
    if (value == L"false") SetReadOnly(false);
  } else if (name == L"password") {
    if (value == L"true") SetPassword(true);
    if (value == L"false") SetPassword(false);
  } else if (name == L"number") {
    // The digit filter is the control's own; the edit style bit of the
    // same value means "keep scroll bars" to the engine.
    if (value == L"true") SetNumberOnly(true);
    if (value == L"false") SetNumberOnly(false);
  } else if (name == L"align") {
    if (value.find(L"left") != std::wstring::npos) style_ &= ~static_cast<DWORD>(ES_CENTER | ES_RIGHT);
    if (value.find(L"hcenter") != std::wstring::npos) style_ |= ES_CENTER;
    if (value.find(L"right") != std::wstring::npos) style_ |= ES_RIGHT;
    if (value.find(L"top") != std::wstring::npos) text_valign_ = kAlignTop;
    if (value.find(L"vcenter") != std::wstring::npos) text_valign_ = kAlignVCenter;
    if (value.find(L"bottom") != std::wstring::npos) text_valign_ = kAlignBottom;
    ApplyStyleToHost();
    Arrange();
  } else if (name == L"normaltextcolor") {
    SetTextColor(TrimLeadingSpaces(value));
  } else if (name == L"disabledtextcolor") {
    SetDisabledTextColor(TrimLeadingSpaces(value));
  } else if (name == L"caretcolor") {
    SetCaretColor(TrimLeadingSpaces(value));
  } else if (name == L"promptmode") {
    SetPromptMode(value == L"true");
  } else if (name == L"promptcolor") {
    prompt_color_ = TrimLeadingSpaces(value);
    Invalidate();
  } else if (name == L"prompttext") {
    SetPromptText(value);
  } else if (name == L"prompttextid") {
    SetPromptTextId(value);
  } else if (name == L"focusedimage") {
    SetFocusedImage(value);
  } else if (name == L"font") {
    SetFont(value);
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"textid") {
    SetTextId(value);
  } else if (name == L"wanttab") {
    SetWantTab(ParseBool(text));
  } else if (name == L"wantreturnmsg") {
    SetNeedReturnMsg(ParseBool(text));
  } else if (name == L"returnmsgwantctrl") {
    SetReturnMsgWantCtrl(ParseBool(text));
  } else if (name == L"rich") {
    SetRich(ParseBool(text));
  } else if (name == L"limittext") {
    SetLimitText(ParseInt(text));
  } else {
    ScrollableBox::SetAttribute(name, value);
  }
}

void RichEdit::EnableScrollBar(bool vertical, bool horizontal) {
  style_ = vertical ? (style_ | WS_VSCROLL) : (style_ & ~static_cast<DWORD>(WS_VSCROLL));
  style_ = horizontal ? (style_ | WS_HSCROLL) : (style_ & ~static_cast<DWORD>(WS_HSCROLL));
  // The engine keeps its scroll state up to date only while it has bars.
  if (style_ & (WS_VSCROLL | WS_HSCROLL)) {
    style_ |= ES_DISABLENOSCROLL;
  } else {
    style_ &= ~static_cast<DWORD>(ES_DISABLENOSCROLL);
  }
  ScrollableBox::EnableScrollBar(vertical, horizontal);
  ApplyStyleToHost();
}

int RichEdit::NaturalHeight(int width) const {
  if (!HasEngine() || width <= 0) return -1;
  HWND hwnd = HostWindowHandle();
  HDC dc = ::GetDC(hwnd);
  SIZEL extent = {-1, -1};
  LONG natural_width = width;
  LONG natural_height = 0;
  const HRESULT result = host_->services()->TxGetNaturalSize(
      DVASPECT_CONTENT, dc, nullptr, nullptr, kTxtNaturalFitToContent, &extent, &natural_width, &natural_height);
  ::ReleaseDC(hwnd, dc);
  return SUCCEEDED(result) ? static_cast<int>(natural_height) : -1;
}

Size RichEdit::EstimateSize(Size available) {
  if (!IsAutoSized()) return Size(fixed_width_, fixed_height_);
  if (!HasEngine()) return Control::EstimateSize(available);
  const Rect padding = layout_->GetPadding();
  const int horizontal_padding = padding.left + padding.right;
  const int vertical_padding = padding.top + padding.bottom;
  int width = IsAutoWidth() ? (IsAutoHeight() ? kMaxLength : available.cx) : fixed_width_;
  width = std::max(1, width - horizontal_padding);
  HWND hwnd = HostWindowHandle();
  HDC dc = ::GetDC(hwnd);
  SIZEL extent = {-1, -1};
  LONG natural_width = width;
  LONG natural_height = 0;
  host_->services()->TxGetNaturalSize(DVASPECT_CONTENT, dc, nullptr, nullptr, kTxtNaturalFitToContent, &extent,
                                      &natural_width, &natural_height);
  ::ReleaseDC(hwnd, dc);
  Size result(fixed_width_, fixed_height_);
  if (IsAutoWidth()) result.cx = static_cast<int>(natural_width) + horizontal_padding;
  if (IsAutoHeight()) result.cy = static_cast<int>(natural_height) + vertical_padding;
  return result;
}

Rect RichEdit::ComputeClientRect() const {
  Rect client = rect_;
  client.Deflate(layout_->GetPadding());
  if (HasRange(vertical_bar_.get())) client.right -= std::max(0, vertical_bar_->GetFixedWidth());
  if (HasRange(horizontal_bar_.get())) client.bottom -= std::max(0, horizontal_bar_->GetFixedHeight());
  if (client.right < client.left) client.right = client.left;
  if (client.bottom < client.top) client.bottom = client.top;
  return client;
}

void RichEdit::SetPos(Rect rect) {
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  Control::SetPos(rect);
  if (alive.expired()) return;
  // A bar that comes or goes changes the client width: twice at most.
  for (int pass = 0; pass < 2; ++pass) {
    Rect client = ComputeClientRect();
    if (text_valign_ != kAlignTop && !IsMultiLine()) {
      const int natural = NaturalHeight(client.Width());
      if (natural > 0 && natural < client.Height()) {
        const int top =
            text_valign_ == kAlignVCenter ? client.top + (client.Height() - natural) / 2 : client.bottom - natural;
        client = Rect(client.left, top, client.right, top + natural);
      }
    }
    if (host_) host_->SetClientRect(client);
    if (!SyncScrollBars()) break;
  }
  const Rect client = host_ ? host_->client_rect() : ComputeClientRect();
  const Rect padding = layout_->GetPadding();
  if (vertical_bar_) {
    vertical_bar_->SetPos(Rect(client.right, rect_.top + padding.top,
                               client.right + std::max(0, vertical_bar_->GetFixedWidth()), client.bottom));
  }
  if (horizontal_bar_) {
    horizontal_bar_->SetPos(
        Rect(client.left, client.bottom, client.right, client.bottom + std::max(0, horizontal_bar_->GetFixedHeight())));
  }
  for (Control* child : children_) {
    if (child->IsFloat()) {
      Layout::SetFloatPos(child, GetPaddingPos());
    } else {
      child->SetPos(client);
    }
  }
}

bool RichEdit::SyncScrollBars() {
  if (!HasEngine()) return false;
  bool changed = false;
  syncing_bars_ = true;
  struct Axis {
    ScrollBar* bar;
    bool vertical;
  };
  for (const Axis& axis : {Axis{vertical_bar_.get(), true}, Axis{horizontal_bar_.get(), false}}) {
    if (!axis.bar) continue;
    LONG min = 0, max = 0, position = 0, page = 0;
    BOOL enabled = FALSE;
    if (axis.vertical) {
      host_->services()->TxGetVScroll(&min, &max, &position, &page, &enabled);
    } else {
      host_->services()->TxGetHScroll(&min, &max, &position, &page, &enabled);
    }
    // The engine reports the whole extent and the page it shows.
    const int64_t range = std::max<int64_t>(0, static_cast<int64_t>(max) - min - page);
    const bool had_range = HasRange(axis.bar);
    axis.bar->SetScrollRange(range);
    axis.bar->SetScrollPos(static_cast<int64_t>(position) - min);
    if (had_range != HasRange(axis.bar)) changed = true;
  }
  syncing_bars_ = false;
  return changed;
}

void RichEdit::OnHostScrollBarsChanged() {
  if (syncing_bars_) return;
  // A bar that appears or goes away takes or gives room: lay out again.
  if (SyncScrollBars()) ArrangeSelf();
}

void RichEdit::SetScrollPos(Size position) {
  if (!HasEngine()) {
    ScrollableBox::SetScrollPos(position);
    return;
  }
  const Size old = GetScrollPos();
  const Size range = GetScrollRange();
  if (position.cy < 0 || position.cy > range.cy) scroll_animation_.Stop();
  const int y = std::max(0, std::min<int>(position.cy, range.cy));
  const int x = std::max(0, std::min<int>(position.cx, range.cx));
  // The thumb position travels in 16 bits; longer text scrolls by point.
  if (vertical_bar_ && y != old.cy) {
    if (y <= 0xFFFF) {
      TxSendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, y), 0);
    } else {
      POINT point = {old.cx, y};
      TxSendMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&point));
    }
  }
  if (horizontal_bar_ && x != old.cx) {
    if (x <= 0xFFFF) {
      TxSendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, x), 0);
    } else {
      POINT point = {x, y};
      TxSendMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&point));
    }
  }
  SyncScrollBars();
  if (GetScrollPos() == old) return;
  Invalidate();
  SendEvent(kEventScrollChange);
}

bool RichEdit::EngineScroll(UINT message, WPARAM code) {
  if (!HasEngine()) return false;
  TxSendMessage(message, code, 0);
  SyncScrollBars();
  return true;
}

void RichEdit::PageUp() {
  if (!EngineScroll(WM_VSCROLL, SB_PAGEUP)) ScrollableBox::PageUp();
}

void RichEdit::PageDown() {
  if (!EngineScroll(WM_VSCROLL, SB_PAGEDOWN)) ScrollableBox::PageDown();
}

void RichEdit::HomeUp() {
  if (!EngineScroll(WM_VSCROLL, SB_TOP)) ScrollableBox::HomeUp();
}

void RichEdit::PageLeft() {
  if (!EngineScroll(WM_HSCROLL, SB_PAGELEFT)) ScrollableBox::PageLeft();
}

void RichEdit::PageRight() {
  if (!EngineScroll(WM_HSCROLL, SB_PAGERIGHT)) ScrollableBox::PageRight();
}

void RichEdit::HomeLeft() {
  if (!EngineScroll(WM_HSCROLL, SB_LEFT)) ScrollableBox::HomeLeft();
}

void RichEdit::EndRight() {
  if (!EngineScroll(WM_HSCROLL, SB_RIGHT)) ScrollableBox::EndRight();
}

void RichEdit::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  ScrollableBox::SetEnabled(enabled);
  ApplyTextColor();
}

Point RichEdit::ToEngine(Point point) const {
  const Point offset = GetScrollOffsetInScrollBox();
  point.Offset(offset.x, offset.y);
  return point;
}

WPARAM RichEdit::MouseKeys(WPARAM base) const {
  if (::GetKeyState(VK_SHIFT) < 0) base |= MK_SHIFT;
  if (::GetKeyState(VK_CONTROL) < 0) base |= MK_CONTROL;
  return base;
}

void RichEdit::OnSetFocus() {
  if (!HasEngine()) return;
  if (!in_place_active_) {
    const Rect client = host_->client_rect();
    host_->services()->OnTxInPlaceActivate(&client);
    in_place_active_ = true;
  }
  TxSendMessage(WM_SETFOCUS, 0, 0);
  engine_focused_ = true;
  StartCaretBlink();
  Invalidate();
}

void RichEdit::OnKillFocus() {
  if (HasEngine()) {
    host_->services()->OnTxInPlaceDeactivate();
    in_place_active_ = false;
    TxSendMessage(WM_KILLFOCUS, 0, 0);
  }
  StopCaretBlink();
  caret_shown_ = false;
  engine_focused_ = false;
  Invalidate();
  OnScreenKeyboardManager::GetInstance()->ShowOSK(false);
}

void RichEdit::NotifyReturn() {
  if (window_) {
    window_->SendNotify(this, kEventReturn);
  } else {
    SendEvent(kEventReturn);
  }
}

bool RichEdit::HandleKeyDown(EventArgs* args) {
  if (!HasEngine()) return false;
  const WPARAM key = args->wparam;
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  swallow_return_char_ = false;
  if (key == VK_RETURN && !shift && want_return_msg_ && ctrl == return_msg_wants_ctrl_) {
    // The event takes the place of the line break.
    swallow_return_char_ = true;
    NotifyReturn();
    return true;
  }
  const bool paste = (ctrl && key == 'V') || (shift && key == VK_INSERT);
  if (paste && (digits_only_ || !rich_)) {
    Paste();
    return true;
  }
  const bool copy_or_cut = (ctrl && (key == 'C' || key == 'X' || key == VK_INSERT)) || (shift && key == VK_DELETE);
  if (copy_or_cut && password_) return true;
  TxSendMessage(WM_KEYDOWN, key, args->lparam);
  return true;
}

bool RichEdit::HandleChar(EventArgs* args) {
  const wchar_t c = static_cast<wchar_t>(args->wparam);
  if (swallow_return_char_ && (c == L'\r' || c == L'\n')) {
    swallow_return_char_ = false;
    return true;
  }
  swallow_return_char_ = false;
  if (c == L'\t' && !want_tab_) {
    SendEvent(kEventTab);
    return true;
  }
  // Printable characters other than digits are dropped; editing keys that
  // arrive as characters (backspace, the Ctrl letters) still work.
  if (digits_only_ && !IsDigit(c) && (c >= 0x20 || c == L'\t' || c == L'\r' || c == L'\n')) return true;
  if (!HasEngine()) return true;
  TxSendMessage(WM_CHAR, c, args->lparam);
  return true;
}

bool RichEdit::HandleMouse(EventArgs* args) {
  const int kind = args->kind;
  const Point point = ToEngine(args->mouse_point);
  const LPARAM position = EngineLParam(point);
  switch (kind) {
    case kEventMouseButtonDown:
    case kEventInternalDoubleClick:
    case kEventPointerDown: {
      if (!links_.empty() && HasEngine() && host_->client_rect().Contains(point)) {
        const int character = CharFromPoint(point);
        for (size_t i = 0; i < links_.size(); ++i) {
          if (character < links_[i].first || character >= links_[i].end) continue;
          const std::wstring text = links_[i].text;
          if (window_) {
            window_->SendNotify(this, kEventLinkClick, i, reinterpret_cast<LPARAM>(text.c_str()));
          } else {
            SendEvent(kEventLinkClick, i, reinterpret_cast<LPARAM>(text.c_str()));
          }
          return true;
        }
      }
      if (kind == kEventPointerDown) OnScreenKeyboardManager::GetInstance()->ShowOSK(true);
      if (!HasEngine()) return false;
      TxSendMessage(kind == kEventInternalDoubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MouseKeys(MK_LBUTTON),
                    position);
      return true;
    }
    case kEventMouseMove:
    case kEventPointerUpdate:
      if (!HasEngine()) return false;
      TxSendMessage(WM_MOUSEMOVE, MouseKeys(kind == kEventPointerUpdate ? MK_LBUTTON : (args->wparam & MK_LBUTTON)),
                    position);
      return false;  // enter and hover tracking still happen below
    case kEventMouseButtonUp:
    case kEventPointerUp:
      if (!HasEngine()) return false;
      TxSendMessage(WM_LBUTTONUP, MouseKeys(0), position);
      return true;
    case kEventMouseRightButtonDown:
      if (!HasEngine()) return false;
      TxSendMessage(WM_RBUTTONDOWN, MouseKeys(MK_RBUTTON), position);
      return true;
    case kEventMouseRightButtonUp:
      if (!HasEngine()) return false;
      TxSendMessage(WM_RBUTTONUP, MouseKeys(0), position);
      return true;
    case kEventMouseScrollWheel: {
      // Text that cannot scroll leaves the wheel to the boxes around it.
      if (!HasEngine() || !HasRange(vertical_bar_.get())) return false;
      POINT screen = {args->mouse_point.x, args->mouse_point.y};
      if (HWND hwnd = HostWindowHandle()) ::ClientToScreen(hwnd, &screen);
      const int delta = static_cast<int>(static_cast<INT_PTR>(args->wparam));
      TxSendMessage(WM_MOUSEWHEEL, MAKEWPARAM(MouseKeys(0), static_cast<WORD>(static_cast<short>(delta))),
                    MAKELPARAM(screen.x, screen.y));
      SyncScrollBars();
      return true;
    }
    default:
      return false;
  }
}

void RichEdit::HandleEvent(EventArgs* args) {
  const int kind = args->kind;
  if (!mouse_enabled_ && kind >= kEventMouseFirst && kind <= kEventMouseLast) {
    ScrollableBox::HandleEvent(args);
    return;
  }
  switch (kind) {
    case kEventInternalSetFocus:
      ScrollableBox::HandleEvent(args);
      if (IsEnabled()) OnSetFocus();
      return;
    case kEventInternalKillFocus:
      ScrollableBox::HandleEvent(args);
      OnKillFocus();
      return;
    case kEventSetCursor: {
      const Point point = ToEngine(args->mouse_point);
      if (!GetLinkAt(args->mouse_point).empty()) {
        ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
        return;
      }
      if (HasEngine() && IsEnabled()) {
        const Rect client = host_->client_rect();
        if (SUCCEEDED(host_->services()->OnTxSetCursor(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr,
                                                       &client, point.x, point.y))) {
          return;
        }
      }
      ::SetCursor(::LoadCursor(nullptr, IDC_IBEAM));
      return;
    }
    case kEventKeyDown:
      if (IsEnabled() && HandleKeyDown(args)) return;
      break;
    case kEventKeyUp:
      if (IsEnabled() && HasEngine()) {
        TxSendMessage(WM_KEYUP, args->wparam, args->lparam);
        return;
      }
      break;
    case kEventChar:
      if (IsEnabled() && HandleChar(args)) return;
      break;
    case kEventMouseButtonDown:
    case kEventInternalDoubleClick:
    case kEventPointerDown:
    case kEventMouseMove:
    case kEventPointerUpdate:
    case kEventMouseButtonUp:
    case kEventPointerUp:
    case kEventMouseRightButtonDown:
    case kEventMouseRightButtonUp:
    case kEventMouseScrollWheel:
      if (IsEnabled() && HandleMouse(args)) return;
      break;
    default:
      break;
  }
  ScrollableBox::HandleEvent(args);
}

void RichEdit::StartCaretBlink() {
  caret_flag_.Cancel();
  caret_phase_visible_ = true;
  TimerService* service = timer_service_ ? timer_service_ : TimerService::GetInstance();
  service->AddCancelableTimer(caret_flag_.GetWeakFlag(), ToWeakCallback([this] {
                                caret_phase_visible_ = !caret_phase_visible_;
                                InvalidateCaret();
                              }),
                              kCaretBlinkMs, TimerService::kRepeatForever);
}

void RichEdit::StopCaretBlink() { caret_flag_.Cancel(); }

Rect RichEdit::GetCaretRect() const { return caret_rect_; }

void RichEdit::InvalidateCaret() {
  if (!window_ || caret_rect_.IsEmpty()) return;
  Rect area = caret_rect_;
  area.Inflate(Rect(1, 1, 1, 1));
  const Point offset = GetScrollOffsetInScrollBox();
  area.Offset(-offset.x, -offset.y);
  window_->Invalidate(area);
}

void RichEdit::OnHostCreateCaret(int width, int height) {
  InvalidateCaret();
  caret_rect_.right = caret_rect_.left + std::max(1, width);
  caret_rect_.bottom = caret_rect_.top + std::max(0, height);
  InvalidateCaret();
}

void RichEdit::OnHostShowCaret(bool show) {
  caret_shown_ = show;
  InvalidateCaret();
}

void RichEdit::OnHostSetCaretPos(int x, int y) {
  InvalidateCaret();
  const int width = std::max(1, caret_rect_.Width());
  const int height = caret_rect_.Height();
  caret_rect_ = Rect(x, y, x + width, y + height);
  // A caret that moves shows at once instead of in the middle of a blink.
  caret_phase_visible_ = true;
  InvalidateCaret();
}

void RichEdit::OnHostInvalidate(const RECT* rect) {
  if (!window_ || !IsVisible()) return;
  cache_dirty_ = true;
  Rect area = rect_;
  if (rect && !area.Intersect(rect_, Rect(*rect))) return;
  const Point offset = GetScrollOffsetInScrollBox();
  area.Offset(-offset.x, -offset.y);
  window_->Invalidate(area);
}

void RichEdit::TraceLink(const std::wstring& text) {
  std::printf(kLinkTraceFormat, qbase::UTF16ToUTF8(text).c_str());
  std::fflush(stdout);
  HWND hwnd = HostWindowHandle();
  if (!hwnd) return;
  // Padded so that a reader expecting a notification header never reads
  // past the end of a short text.
  std::vector<wchar_t> padded(text.begin(), text.end());
  padded.resize(std::max<size_t>(padded.size(), sizeof(NMHDR) / sizeof(wchar_t)) + 1, L'\0');
  ::SendMessageW(hwnd, WM_NOTIFY, kLinkNotification, reinterpret_cast<LPARAM>(padded.data()));
}

HRESULT RichEdit::OnHostNotify(DWORD notification, void* data) {
  switch (notification) {
    case EN_CHANGE:
      SendEvent(kEventTextChange);
      return S_OK;
    case EN_LINK: {
      const auto* link = static_cast<const ENLINK*>(data);
      if (link && link->msg == WM_LBUTTONUP) TraceLink(GetTextRange(link->chrg.cpMin, link->chrg.cpMax));
      return S_OK;
    }
    case EN_MSGFILTER:
    case EN_SELCHANGE:
    case EN_DROPFILES:
    case EN_PROTECTED:
    case EN_STOPNOUNDO:
    case EN_SAVECLIPBOARD:
    case EN_OLEOPFAILED:
    case EN_OBJECTPOSITIONS:
    case EN_DRAGDROPDONE: {
      HWND hwnd = HostWindowHandle();
      auto* header = static_cast<NMHDR*>(data);
      if (!hwnd || !header) return S_OK;
      header->hwndFrom = hwnd;
      header->idFrom = static_cast<UINT_PTR>(::GetWindowLongPtrW(hwnd, GWLP_ID));
      header->code = notification;
      return static_cast<HRESULT>(::SendMessageW(hwnd, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header)));
    }
    default:
      return S_OK;
  }
}

void RichEdit::PaintStateImages(IRenderContext* context) {
  if (read_only_) return;
  if (IsFocused() && !focused_image_.attribute.image_name.empty()) {
    DrawImage(context, focused_image_);
  } else {
    ScrollableBox::PaintStateImages(context);
  }
  if (!prompt_mode_ || IsFocused() || !IsEmpty()) return;
  const std::wstring prompt = GetPromptText();
  if (prompt.empty()) return;
  const Rect area = ComputeClientRect();
  UINT format = IsMultiLine() ? kTextWordBreak : (kTextSingleLine | kTextVCenter);
  if (style_ & ES_CENTER) format |= kTextCenter;
  if (style_ & ES_RIGHT) format |= kTextRight;
  context->DrawText(area, prompt, ResourceManager::GetTextColor(prompt_color_), font_id_, format);
}

void RichEdit::DrawTextWithoutEngine(IRenderContext* context) {
  if (pending_text_.empty()) return;
  const std::wstring shown = password_ ? std::wstring(pending_text_.size(), L'*') : pending_text_;
  const uint32_t argb = ResourceManager::GetTextColor(IsEnabled() ? text_color_ : disabled_text_color_);
  UINT format = IsMultiLine() ? kTextWordBreak : kTextSingleLine;
  if (text_valign_ == kAlignVCenter && !IsMultiLine()) format |= kTextVCenter;
  if (text_valign_ == kAlignBottom && !IsMultiLine()) format |= kTextBottom;
  if (style_ & ES_CENTER) format |= kTextCenter;
  if (style_ & ES_RIGHT) format |= kTextRight;
  context->DrawText(ComputeClientRect(), shown, argb, font_id_, format);
}

void RichEdit::PaintText(IRenderContext* context) {
  if (!HasEngine()) {
    DrawTextWithoutEngine(context);
    return;
  }
  const Rect client = host_->client_rect();
  Rect update;
  if (!update.Intersect(paint_rect_, client)) return;
  const RECTL bounds = {client.left, client.top, client.right, client.bottom};
  host_->services()->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, context->GetHdc(), nullptr, &bounds, nullptr,
                            &update, nullptr, 0, in_place_active_ ? kTxtViewActive : kTxtViewInactive);
}

void RichEdit::PaintChildren(IRenderContext* context, const Rect& dirty) {
  Rect overlap;
  if (!overlap.Intersect(dirty, rect_)) return;
  HWND hwnd = HostWindowHandle();
  const bool window_has_keyboard = !hwnd || ::GetFocus() == hwnd;
  if (engine_focused_ && caret_shown_ && caret_phase_visible_ && window_has_keyboard && !caret_rect_.IsEmpty()) {
    const uint32_t color = caret_color_.empty() ? kDefaultCaretColor : ResourceManager::GetTextColor(caret_color_);
    const int x = caret_rect_.left;
    context->DrawLine(Rect(x, caret_rect_.top, x, caret_rect_.bottom), std::max(1, caret_rect_.Width()), color);
  }
  if (!children_.empty()) {
    AutoClip clip(context, host_ ? host_->client_rect() : ComputeClientRect());
    for (Control* child : children_) {
      if (child->IsVisible()) child->Paint(context, dirty);
    }
  }
  PaintScrollBars(context, dirty);
}

}  // namespace ui
