#include "ui/core/xml_document.h"

#include <windows.h>
#include <shlwapi.h>

#include <climits>
#include <cstring>
#include <cwctype>

#include "base/unique_handle.h"
#include "ui/core/resource_manager.h"

namespace ui {

namespace {

// Code 0 ends the text, so it is never white space.
inline bool IsSpace(wchar_t c) { return c <= 32 && c != 0; }

struct NameCharTable {
  bool ascii[128] = {};
  NameCharTable() {
    for (int c = '0'; c <= '9'; ++c) ascii[c] = true;
    for (int c = 'a'; c <= 'z'; ++c) ascii[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) ascii[c] = true;
    ascii['_'] = true;
    ascii[':'] = true;
  }
};

const NameCharTable kNameChars;

inline bool IsNameChar(wchar_t c) {
  if (c < 128) return kNameChars.ascii[c];
  return std::iswalnum(c) != 0;
}

// Characters that end plain data or need work in it are all below 64, so a
// mask of them decides most characters with one comparison.
uint64_t DataStops(wchar_t stop, bool collapse) {
  uint64_t stops = (1ull << 0) | (1ull << stop) | (1ull << L'&');
  if (collapse) stops |= 1ull << L' ';
  return stops;
}

inline bool IsStop(wchar_t c, uint64_t stops) { return c < 64 && ((stops >> c) & 1); }

// The first stop character. The terminator is a stop, so this never runs
// past the text; unrolled because most data has no stop for a while.
inline wchar_t* ScanPlain(wchar_t* p, uint64_t stops) {
  for (;; p += 4) {
    if (IsStop(p[0], stops)) return p;
    if (IsStop(p[1], stops)) return p + 1;
    if (IsStop(p[2], stops)) return p + 2;
    if (IsStop(p[3], stops)) return p + 3;
  }
}

void CopyLimited(wchar_t* target, size_t limit, const wchar_t* source) {
  size_t i = 0;
  if (source) {
    for (; i < limit && source[i]; ++i) target[i] = source[i];
  }
  target[i] = 0;
}

}  // namespace

XmlDocument::XmlDocument() = default;
XmlDocument::~XmlDocument() = default;

void XmlDocument::Release() {
  text_.reset();
  length_ = 0;
  elements_.clear();
}

bool XmlDocument::Fail(const wchar_t* message, const wchar_t* location) {
  CopyLimited(error_message_, kMaxErrorMessage, message);
  CopyLimited(error_location_, kMaxErrorLocation, location);
  return false;
}

bool XmlDocument::LoadFromFile(const std::wstring& path) {
  Release();
  std::wstring full_path = path;
  if (::PathIsRelativeW(path.c_str())) full_path = ResourceManager::GetResourcePath() + path;

  qbase::UniqueFileHandle file(::CreateFileW(full_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Fail(L"Error opening file", nullptr);
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size)) return Fail(L"Could not read file", nullptr);
  if (size.QuadPart == 0) return Fail(L"File is empty", nullptr);
  if (size.QuadPart > static_cast<LONGLONG>(kMaxFileSize)) return Fail(L"File too large", nullptr);

  const DWORD wanted = static_cast<DWORD>(size.QuadPart);
  std::unique_ptr<char[]> bytes(new char[wanted]);
  DWORD read = 0;
  if (!::ReadFile(file.get(), bytes.get(), wanted, &read, nullptr) || read < wanted)
    return Fail(L"Could not read file", nullptr);
  return LoadFromBytes(bytes.get(), read);
}

bool XmlDocument::LoadFromBytes(const void* bytes, size_t length) {
  Release();
  const char* data = static_cast<const char*>(bytes);
  if (!data) length = 0;
  if (length >= 3 && static_cast<unsigned char>(data[0]) == 0xEF && static_cast<unsigned char>(data[1]) == 0xBB &&
      static_cast<unsigned char>(data[2]) == 0xBF) {
    data += 3;
    length -= 3;
  }
  if (length > INT_MAX) return Fail(L"File too large", nullptr);
  const int source_length = static_cast<int>(length);
  // Malformed UTF-8 is taken with the platform's replacement characters
  // rather than refused: a skin with one bad byte still loads.
  int chars = 0;
  if (source_length > 0) {
    chars = ::MultiByteToWideChar(CP_UTF8, 0, data, source_length, nullptr, 0);
    if (chars <= 0) return Fail(L"Could not read file", nullptr);
  }
  std::unique_ptr<wchar_t[]> text(new wchar_t[static_cast<size_t>(chars) + 1]);
  if (chars > 0 && ::MultiByteToWideChar(CP_UTF8, 0, data, source_length, text.get(), chars) != chars)
    return Fail(L"Could not read file", nullptr);
  return LoadFromBuffer(std::move(text), static_cast<size_t>(chars));
}

bool XmlDocument::LoadFromText(const wchar_t* text) {
  Release();
  if (!text) text = L"";
  size_t length = std::wcslen(text);
  if (length >= INT_MAX) return Fail(L"File too large", nullptr);
  std::unique_ptr<wchar_t[]> copy(new wchar_t[length + 1]);
  std::memcpy(copy.get(), text, (length + 1) * sizeof(wchar_t));
  return LoadFromBuffer(std::move(copy), length);
}

bool XmlDocument::LoadFromBuffer(std::unique_ptr<wchar_t[]> text, size_t length) {
  Release();
  // Offsets in the element records are 32-bit.
  if (!text || length >= INT_MAX) return Fail(L"File too large", nullptr);
  text_ = std::move(text);
  length_ = length;
  text_[length_] = 0;
  if (Parse()) return true;
  Release();
  return false;
}

XmlNode XmlDocument::GetRoot() const {
  if (elements_.size() < 2) return XmlNode();
  return XmlNode(this, 1);
}

const wchar_t* XmlDocument::TextAt(size_t offset) const {
  if (!text_ || offset > length_) return L"";
  return text_.get() + offset;
}

int32_t XmlDocument::AppendElement() {
  if (elements_.size() == elements_.capacity()) elements_.reserve(elements_.capacity() * 3 / 2 + 500);
  elements_.push_back(Element{0, 0, 0, 0, 0});
  return static_cast<int32_t>(elements_.size() - 1);
}

// Copies data down over the space that entity references free, from the
// first character that needs it. Stops at `stop` or the end of the text; the
// freed tail is filled with spaces.
void XmlDocument::CopyData(wchar_t*& src, wchar_t*& dest, wchar_t stop) const {
  const bool collapse = !preserve_whitespace_;
  dest = src;
  for (;;) {
    wchar_t c = *src;
    if (c == 0 || c == stop) break;
    if (c == L'&') {
      // Each comparison stops at the first mismatch, so the terminator is
      // never passed.
      if (src[1] == L'a' && src[2] == L'm' && src[3] == L'p' && src[4] == L';') {
        *dest++ = L'&';
        src += 5;
        continue;
      }
      if (src[1] == L'l' && src[2] == L't' && src[3] == L';') {
        *dest++ = L'<';
        src += 4;
        continue;
      }
      if (src[1] == L'g' && src[2] == L't' && src[3] == L';') {
        *dest++ = L'>';
        src += 4;
        continue;
      }
      if (src[1] == L'q' && src[2] == L'u' && src[3] == L'o' && src[4] == L't' && src[5] == L';') {
        *dest++ = L'"';
        src += 6;
        continue;
      }
      if (src[1] == L'a' && src[2] == L'p' && src[3] == L'o' && src[4] == L's' && src[5] == L';') {
        *dest++ = L'\'';
        src += 6;
        continue;
      }
    } else if (c == L' ' && collapse) {
      *dest++ = L' ';
      ++src;
      while (IsSpace(*src)) ++src;
      continue;
    }
    *dest++ = *src++;
  }
  for (wchar_t* pad = dest; pad < src; ++pad) *pad = L' ';
}

bool XmlDocument::ParseAttributes(wchar_t*& p) {
  while (IsSpace(*p)) ++p;
  while (*p && *p != L'>' && *p != L'/') {
    while (IsNameChar(*p)) ++p;
    wchar_t* name_end = p;
    while (IsSpace(*p)) ++p;
    if (*p != L'=') return Fail(L"Error while parsing attributes", p);
    *p++ = L' ';
    *name_end = 0;
    while (IsSpace(*p)) ++p;
    if (*p != L'"') return Fail(L"Expected attribute value", p);
    p = ScanPlain(p + 1, attribute_stops_);
    wchar_t* dest = p;
    if (*p != L'"' && *p != 0) CopyData(p, dest, L'"');
    if (*p == 0) return Fail(L"Error while parsing attribute string", p);
    // The closing quote becomes the terminator, or a space when the value
    // shrank and the terminator sits earlier.
    *dest = 0;
    if (dest != p) *p = L' ';
    ++p;
    while (IsSpace(*p)) ++p;
  }
  return true;
}

// Iterative on purpose: nesting depth comes from the file, and a deep or
// hostile skin must not exhaust the stack.
bool XmlDocument::Parse() {
  elements_.clear();
  AppendElement();  // the dummy root, index 0
  attribute_stops_ = DataStops(L'"', !preserve_whitespace_);
  text_stops_ = DataStops(L'<', !preserve_whitespace_);
  wchar_t* const base = text_.get();
  wchar_t* p = base;
  int32_t parent = 0;  // element whose children are being read
  int32_t previous = 0;  // last child of `parent` so far
  bool after_lt = false;  // a '<' was consumed already (it may be zeroed)

  for (;;) {
    if (!after_lt) {
      while (IsSpace(*p)) ++p;
      if (*p == 0 && parent <= 1) return true;
      if (*p != L'<') return Fail(L"Expected start tag", p);
      ++p;
    }
    after_lt = false;

    if (*p == L'/') {
      // A stray end tag at the top level ends the document.
      if (parent == 0) return true;
      ++p;
      while (IsSpace(*p)) ++p;
      for (const wchar_t* name = base + elements_[parent].name_start; *name; ++name, ++p) {
        if (*p != *name) return Fail(L"Unmatched closing tag", p);
      }
      while (IsSpace(*p)) ++p;
      if (*p != L'>') return Fail(L"Unmatched closing tag", p);
      ++p;
      previous = parent;
      parent = elements_[parent].parent;
      continue;
    }

    while (IsSpace(*p)) ++p;
    if (*p == L'!' || *p == L'?') {
      // Comments, declarations and processing instructions are skipped
      // whole; a comment only looks for "->".
      const wchar_t close = *p == L'!' ? L'-' : L'?';
      ++p;
      while (*p && !(p[0] == close && p[1] == L'>')) ++p;
      if (*p) p += 2;
      continue;
    }

    const int32_t index = AppendElement();
    Element& element = elements_.back();
    element.parent = parent;
    element.name_start = static_cast<int32_t>(p - base);
    if (previous == 0)
      elements_[parent].first_child = index;
    else
      elements_[previous].next_sibling = index;

    while (IsNameChar(*p)) ++p;
    if (*p == 0) return Fail(L"Error parsing element name", p);
    wchar_t* const name_end = p;
    if (IsSpace(*p)) {
      *p++ = 0;
      if (!ParseAttributes(p)) return false;
    } else if (*p != L'>' && *p != L'/') {
      // Only "=" can follow a name directly and still parse: the attribute
      // loop then terminates the name itself.
      if (!ParseAttributes(p)) return false;
    }

    if (*p == L'/') {
      if (p[1] != L'>') return Fail(L"Expected start-tag closing", p);
      // The zero ends the name when it ended here, and is the empty value.
      *p = 0;
      elements_[index].value_start = static_cast<int32_t>(p - base);
      p += 2;
      previous = index;
      continue;
    }
    if (*p != L'>') return Fail(L"Expected start-tag closing", p);
    if (p == name_end) *p = 0;
    ++p;

    elements_[index].value_start = static_cast<int32_t>(p - base);
    p = ScanPlain(p, text_stops_);
    wchar_t* dest = p;
    if (*p != L'<' && *p != 0) CopyData(p, dest, L'<');
    if (*p == 0) {
      *dest = 0;
      // The top two levels may stay open at the end of the text.
      if (parent < 2) return true;
      return Fail(L"Expected end-tag start", p);
    }
    // The value ends here; the terminator may take the place of the '<'
    // itself, which is why the tag goes on with after_lt.
    *dest = 0;
    ++p;
    parent = index;
    previous = 0;
    after_lt = true;
  }
}

}  // namespace ui
