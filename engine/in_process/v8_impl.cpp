#include <cmath>
#include <cstdio>
#include <cwchar>

#include "engine/shared/renderer_thread.h"
#include "engine/in_process/v8_context_impl.h"
#include "engine/in_process/v8_value_impl.h"

namespace inproc {

namespace {

// Deep enough for any real page data, shallow enough for the thread's stack.
constexpr int kMaxJsonDepth = 256;

// JSON digits are ASCII whatever the locale says.
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

class JsonParser {
 public:
  explicit JsonParser(const std::wstring& text) : text_(text) {}

  CefRefPtr<V8ValueImpl> Parse(std::wstring* error) {
    SkipSpace();
    CefRefPtr<V8ValueImpl> value = ParseValue(0);
    SkipSpace();
    if (value && position_ != text_.size()) value = nullptr;
    if (!value && error) {
      wchar_t buffer[96];
      std::swprintf(buffer, 96, L"SyntaxError: Unexpected token in JSON at position %u",
                    static_cast<unsigned>(position_));
      *error = buffer;
    }
    return value;
  }

 private:
  void SkipSpace() {
    while (position_ < text_.size()) {
      wchar_t c = text_[position_];
      if (c != L' ' && c != L'\t' && c != L'\n' && c != L'\r') break;
      ++position_;
    }
  }

  bool Consume(const wchar_t* word) {
    size_t length = std::wcslen(word);
    if (text_.compare(position_, length, word) != 0) return false;
    position_ += length;
    return true;
  }

  CefRefPtr<V8ValueImpl> ParseValue(int depth) {
    if (depth > kMaxJsonDepth || position_ >= text_.size()) return nullptr;
    wchar_t c = text_[position_];
    if (c == L'{') return ParseObject(depth);
    if (c == L'[') return ParseArray(depth);
    if (c == L'"') {
      std::wstring text;
      if (!ParseString(&text)) return nullptr;
      return V8ValueImpl::String(text);
    }
    if (Consume(L"true")) return V8ValueImpl::Bool(true);
    if (Consume(L"false")) return V8ValueImpl::Bool(false);
    if (Consume(L"null")) return V8ValueImpl::Null();
    return ParseNumber();
  }

  CefRefPtr<V8ValueImpl> ParseObject(int depth) {
    ++position_;
    CefRefPtr<V8ValueImpl> object = V8ValueImpl::Object();
    SkipSpace();
    if (position_ < text_.size() && text_[position_] == L'}') {
      ++position_;
      return object;
    }
    while (true) {
      SkipSpace();
      std::wstring key;
      if (position_ >= text_.size() || text_[position_] != L'"' || !ParseString(&key)) return nullptr;
      SkipSpace();
      if (position_ >= text_.size() || text_[position_] != L':') return nullptr;
      ++position_;
      SkipSpace();
      CefRefPtr<V8ValueImpl> value = ParseValue(depth + 1);
      if (!value) return nullptr;
      object->SetMember(key, value.get());
      SkipSpace();
      if (position_ >= text_.size()) return nullptr;
      if (text_[position_] == L',') {
        ++position_;
        continue;
      }
      if (text_[position_] != L'}') return nullptr;
      ++position_;
      return object;
    }
  }

  CefRefPtr<V8ValueImpl> ParseArray(int depth) {
    ++position_;
    CefRefPtr<V8ValueImpl> array = V8ValueImpl::Array();
    SkipSpace();
    if (position_ < text_.size() && text_[position_] == L']') {
      ++position_;
      return array;
    }
    while (true) {
      SkipSpace();
      CefRefPtr<V8ValueImpl> value = ParseValue(depth + 1);
      if (!value) return nullptr;
      array->Append(value.get());
      SkipSpace();
      if (position_ >= text_.size()) return nullptr;
      if (text_[position_] == L',') {
        ++position_;
        continue;
      }
      if (text_[position_] != L']') return nullptr;
      ++position_;
      return array;
    }
  }

  bool ParseString(std::wstring* out) {
    ++position_;
    while (position_ < text_.size()) {
      wchar_t c = text_[position_++];
      if (c == L'"') return true;
      if (c < 0x20) return false;
      if (c != L'\\') {
        out->push_back(c);
        continue;
      }
      if (position_ >= text_.size()) return false;
      wchar_t escape = text_[position_++];
      switch (escape) {
        case L'"':
        case L'\\':
        case L'/':
          out->push_back(escape);
          break;
        case L'b':
          out->push_back(L'\b');
          break;
        case L'f':
          out->push_back(L'\f');
          break;
        case L'n':
          out->push_back(L'\n');
          break;
        case L'r':
          out->push_back(L'\r');
          break;
        case L't':
          out->push_back(L'\t');
          break;
        case L'u': {
          if (position_ + 4 > text_.size()) return false;
          unsigned code = 0;
          for (int i = 0; i < 4; ++i) {
            wchar_t h = text_[position_++];
            code <<= 4;
            if (h >= L'0' && h <= L'9')
              code |= h - L'0';
            else if (h >= L'a' && h <= L'f')
              code |= h - L'a' + 10;
            else if (h >= L'A' && h <= L'F')
              code |= h - L'A' + 10;
            else
              return false;
          }
          out->push_back(static_cast<wchar_t>(code));
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }

  CefRefPtr<V8ValueImpl> ParseNumber() {
    size_t start = position_;
    if (position_ < text_.size() && text_[position_] == L'-') ++position_;
    size_t digits = position_;
    while (position_ < text_.size() && IsDigit(text_[position_])) ++position_;
    if (position_ == digits) return nullptr;
    // JSON has no leading zeros.
    if (text_[digits] == L'0' && position_ - digits > 1) return nullptr;
    bool integral = true;
    if (position_ < text_.size() && text_[position_] == L'.') {
      integral = false;
      ++position_;
      size_t fraction = position_;
      while (position_ < text_.size() && IsDigit(text_[position_])) ++position_;
      if (position_ == fraction) return nullptr;
    }
    if (position_ < text_.size() && (text_[position_] == L'e' || text_[position_] == L'E')) {
      integral = false;
      ++position_;
      if (position_ < text_.size() && (text_[position_] == L'+' || text_[position_] == L'-')) ++position_;
      size_t exponent = position_;
      while (position_ < text_.size() && IsDigit(text_[position_])) ++position_;
      if (position_ == exponent) return nullptr;
    }
    std::wstring number = text_.substr(start, position_ - start);
    double value = std::wcstod(number.c_str(), nullptr);
    if (integral && value >= -2147483648.0 && value <= 2147483647.0) return V8ValueImpl::Int(static_cast<int>(value));
    return V8ValueImpl::Double(value);
  }

  const std::wstring& text_;
  size_t position_ = 0;
};

void AppendJsonString(const std::wstring& text, std::wstring* out) {
  out->push_back(L'"');
  for (wchar_t c : text) {
    switch (c) {
      case L'"':
        *out += L"\\\"";
        break;
      case L'\\':
        *out += L"\\\\";
        break;
      case L'\n':
        *out += L"\\n";
        break;
      case L'\r':
        *out += L"\\r";
        break;
      case L'\t':
        *out += L"\\t";
        break;
      case L'\b':
        *out += L"\\b";
        break;
      case L'\f':
        *out += L"\\f";
        break;
      default:
        if (c < 0x20) {
          wchar_t buffer[8];
          std::swprintf(buffer, 8, L"\\u%04x", static_cast<unsigned>(c));
          *out += buffer;
        } else {
          out->push_back(c);
        }
    }
  }
  out->push_back(L'"');
}

std::wstring NumberText(double value) {
  if (!std::isfinite(value)) return L"null";
  wchar_t buffer[40];
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::swprintf(buffer, 40, L"%.0f", value);
    return buffer;
  }
  std::swprintf(buffer, 40, L"%.15g", value);
  if (std::wcstod(buffer, nullptr) != value) std::swprintf(buffer, 40, L"%.17g", value);
  return buffer;
}

// False for values JSON cannot express (undefined, functions) and for
// structures too deep to be anything but circular.
bool Stringify(CefRefPtr<CefV8Value> value, int depth, std::wstring* out) {
  if (depth > kMaxJsonDepth) return false;
  auto* impl = dynamic_cast<V8ValueImpl*>(value.get());
  if (!impl) return false;
  switch (impl->type()) {
    case V8ValueImpl::Type::kUndefined:
    case V8ValueImpl::Type::kFunction:
      return false;
    case V8ValueImpl::Type::kNull:
      *out += L"null";
      return true;
    case V8ValueImpl::Type::kBool:
      *out += V8ValueImpl::BoolOf(value) ? L"true" : L"false";
      return true;
    case V8ValueImpl::Type::kInt:
    case V8ValueImpl::Type::kDouble:
      *out += NumberText(V8ValueImpl::NumberOf(value));
      return true;
    case V8ValueImpl::Type::kString:
      AppendJsonString(V8ValueImpl::StringOf(value), out);
      return true;
    case V8ValueImpl::Type::kArray: {
      out->push_back(L'[');
      bool first = true;
      for (const auto& element : impl->elements()) {
        if (!first) out->push_back(L',');
        first = false;
        std::wstring item;
        if (Stringify(element, depth + 1, &item))
          *out += item;
        else if (depth + 1 > kMaxJsonDepth)
          return false;
        else
          *out += L"null";
      }
      out->push_back(L']');
      return true;
    }
    case V8ValueImpl::Type::kObject: {
      out->push_back(L'{');
      bool first = true;
      for (const auto& member : impl->members()) {
        std::wstring item;
        if (!Stringify(member.second, depth + 1, &item)) {
          if (depth + 1 > kMaxJsonDepth) return false;
          continue;
        }
        if (!first) out->push_back(L',');
        first = false;
        AppendJsonString(member.first, out);
        out->push_back(L':');
        *out += item;
      }
      out->push_back(L'}');
      return true;
    }
  }
  return false;
}

// Only values of this engine reach a page; anything else reads as undefined.
V8ValueImpl* Impl(CefRefPtr<CefV8Value> value) { return dynamic_cast<V8ValueImpl*>(value.get()); }

}  // namespace

// ---- V8ValueImpl ----

CefRefPtr<V8ValueImpl> V8ValueImpl::Undefined() { return new V8ValueImpl(Type::kUndefined); }
CefRefPtr<V8ValueImpl> V8ValueImpl::Null() { return new V8ValueImpl(Type::kNull); }

CefRefPtr<V8ValueImpl> V8ValueImpl::Bool(bool value) {
  CefRefPtr<V8ValueImpl> result = new V8ValueImpl(Type::kBool);
  result->bool_value_ = value;
  return result;
}

CefRefPtr<V8ValueImpl> V8ValueImpl::Int(int value) {
  CefRefPtr<V8ValueImpl> result = new V8ValueImpl(Type::kInt);
  result->number_value_ = value;
  return result;
}

CefRefPtr<V8ValueImpl> V8ValueImpl::Double(double value) {
  CefRefPtr<V8ValueImpl> result = new V8ValueImpl(Type::kDouble);
  result->number_value_ = value;
  return result;
}

CefRefPtr<V8ValueImpl> V8ValueImpl::String(const std::wstring& value) {
  CefRefPtr<V8ValueImpl> result = new V8ValueImpl(Type::kString);
  result->string_value_ = value;
  return result;
}

CefRefPtr<V8ValueImpl> V8ValueImpl::Array() { return new V8ValueImpl(Type::kArray); }
CefRefPtr<V8ValueImpl> V8ValueImpl::Object() { return new V8ValueImpl(Type::kObject); }

CefRefPtr<V8ValueImpl> V8ValueImpl::Function(const std::wstring& name, Body body) {
  CefRefPtr<V8ValueImpl> result = new V8ValueImpl(Type::kFunction);
  result->function_name_ = name;
  result->body_ = std::move(body);
  if (engine::RendererThread* thread = engine::RendererThread::Current()) {
    if (auto* context = dynamic_cast<V8ContextImpl*>(thread->CurrentContext().get())) {
      result->context_alive_ = context->alive();
    }
  }
  return result;
}

CefRefPtr<V8ValueImpl> V8ValueImpl::Function(const std::wstring& name,
                                             std::function<void(const CefV8ValueList& arguments)> body) {
  return Function(
      name, [body](CefRefPtr<CefV8Value>, const CefV8ValueList& arguments, std::wstring&) -> CefRefPtr<CefV8Value> {
        if (body) body(arguments);
        return Undefined().get();
      });
}

V8ValueImpl::Type V8ValueImpl::TypeOf(CefRefPtr<CefV8Value> value) {
  V8ValueImpl* impl = Impl(value);
  return impl ? impl->type_ : Type::kUndefined;
}

bool V8ValueImpl::BoolOf(CefRefPtr<CefV8Value> value) {
  V8ValueImpl* impl = Impl(value);
  return impl && impl->type_ == Type::kBool && impl->bool_value_;
}

double V8ValueImpl::NumberOf(CefRefPtr<CefV8Value> value) {
  V8ValueImpl* impl = Impl(value);
  return impl && (impl->type_ == Type::kInt || impl->type_ == Type::kDouble) ? impl->number_value_ : 0;
}

std::wstring V8ValueImpl::StringOf(CefRefPtr<CefV8Value> value) {
  V8ValueImpl* impl = Impl(value);
  return impl && impl->type_ == Type::kString ? impl->string_value_ : std::wstring();
}

std::wstring V8ValueImpl::ToJson(CefRefPtr<CefV8Value> value) {
  std::wstring out;
  return Stringify(value, 0, &out) ? out : std::wstring();
}

CefRefPtr<V8ValueImpl> V8ValueImpl::FromJson(const std::wstring& text, std::wstring* error) {
  return JsonParser(text).Parse(error);
}

void V8ValueImpl::SetMember(const std::wstring& key, CefRefPtr<CefV8Value> value) {
  for (auto& member : members_) {
    if (member.first == key) {
      member.second = value;
      return;
    }
  }
  members_.emplace_back(key, value);
}

void V8ValueImpl::Append(CefRefPtr<CefV8Value> value) { elements_.push_back(value); }

CefRefPtr<CefV8Value> V8ValueImpl::Call(CefRefPtr<CefV8Value> self, const CefV8ValueList& arguments,
                                        std::wstring& exception) {
  if (type_ != Type::kFunction || !body_) {
    exception = L"TypeError: not a function";
    return nullptr;
  }
  CefRefPtr<CefV8Value> result = body_(self, arguments, exception);
  if (!exception.empty()) return nullptr;
  return result ? result : CefRefPtr<CefV8Value>(Undefined().get());
}

bool V8ValueImpl::IsBool() { return engine::RendererThread::Current() && type_ == Type::kBool; }
bool V8ValueImpl::IsString() { return engine::RendererThread::Current() && type_ == Type::kString; }
// Arrays and functions are objects to scripts too.
bool V8ValueImpl::IsObject() {
  return engine::RendererThread::Current() && (type_ == Type::kObject || type_ == Type::kArray || type_ == Type::kFunction);
}
bool V8ValueImpl::IsFunction() { return engine::RendererThread::Current() && type_ == Type::kFunction; }

CefString V8ValueImpl::GetStringValue() {
  if (!engine::RendererThread::Current() || type_ != Type::kString) return CefString();
  return string_value_;
}

CefRefPtr<CefV8Value> V8ValueImpl::GetValue(const CefString& key) {
  if (!engine::RendererThread::Current()) return nullptr;
  std::wstring name = key.ToWString();
  for (const auto& member : members_) {
    if (member.first == name) return member.second;
  }
  if (type_ == Type::kArray && name == L"length") return Int(static_cast<int>(elements_.size())).get();
  return nullptr;
}

CefRefPtr<CefV8Value> V8ValueImpl::ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) {
  last_exception_.clear();
  engine::RendererThread* thread = engine::RendererThread::Current();
  if (!thread || type_ != Type::kFunction || !thread->CurrentContext()) return nullptr;
  // A function of a page that has gone away cannot run any more.
  if (context_alive_ && !*context_alive_) return nullptr;
  std::wstring exception;
  CefRefPtr<CefV8Value> result = Call(object ? object : CefRefPtr<CefV8Value>(Undefined().get()), arguments, exception);
  if (!exception.empty()) {
    last_exception_ = exception;
    return nullptr;
  }
  return result;
}

// ---- V8ContextImpl ----

V8ContextImpl::V8ContextImpl(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame)
    : browser_(browser), frame_(frame), global_(V8ValueImpl::Object()) {
  CefRefPtr<V8ValueImpl> json = V8ValueImpl::Object();
  CefRefPtr<V8ValueImpl> parse = V8ValueImpl::Function(
      L"parse", [](CefRefPtr<CefV8Value>, const CefV8ValueList& arguments, std::wstring& exception) {
        std::wstring text = arguments.empty() ? L"undefined" : V8ValueImpl::StringOf(arguments[0]);
        if (!arguments.empty() && V8ValueImpl::TypeOf(arguments[0]) != V8ValueImpl::Type::kString) {
          text = V8ValueImpl::ToJson(arguments[0]);
        }
        CefRefPtr<V8ValueImpl> value = V8ValueImpl::FromJson(text, &exception);
        return CefRefPtr<CefV8Value>(value.get());
      });
  CefRefPtr<V8ValueImpl> stringify = V8ValueImpl::Function(
      L"stringify", [](CefRefPtr<CefV8Value>, const CefV8ValueList& arguments, std::wstring& exception) {
        if (arguments.empty()) return CefRefPtr<CefV8Value>(V8ValueImpl::Undefined().get());
        std::wstring out;
        if (!Stringify(arguments[0], 0, &out)) {
          V8ValueImpl::Type type = V8ValueImpl::TypeOf(arguments[0]);
          if (type == V8ValueImpl::Type::kUndefined || type == V8ValueImpl::Type::kFunction) {
            return CefRefPtr<CefV8Value>(V8ValueImpl::Undefined().get());
          }
          exception = L"TypeError: Converting circular structure to JSON";
          return CefRefPtr<CefV8Value>();
        }
        return CefRefPtr<CefV8Value>(V8ValueImpl::String(out).get());
      });
  // The built-ins live as long as their context, like the page's own functions.
  parse->BindToContext(alive_);
  stringify->BindToContext(alive_);
  json->SetMember(L"parse", parse.get());
  json->SetMember(L"stringify", stringify.get());
  global_->SetMember(L"JSON", json.get());
}

bool V8ContextImpl::IsValid() { return engine::RendererThread::Current() && *alive_; }

CefRefPtr<CefBrowser> V8ContextImpl::GetBrowser() { return engine::RendererThread::Current() ? browser_ : nullptr; }
CefRefPtr<CefFrame> V8ContextImpl::GetFrame() { return engine::RendererThread::Current() ? frame_ : nullptr; }
CefRefPtr<CefV8Value> V8ContextImpl::GetGlobal() {
  return engine::RendererThread::Current() && *alive_ ? CefRefPtr<CefV8Value>(global_.get()) : nullptr;
}

bool V8ContextImpl::Enter() {
  engine::RendererThread* thread = engine::RendererThread::Current();
  if (!thread || !*alive_) return false;
  thread->EnterContext(this);
  return true;
}

bool V8ContextImpl::Exit() {
  engine::RendererThread* thread = engine::RendererThread::Current();
  return thread && thread->ExitContext(this);
}

bool V8ContextImpl::IsSame(CefRefPtr<CefV8Context> that) { return that.get() == this; }

}  // namespace inproc
