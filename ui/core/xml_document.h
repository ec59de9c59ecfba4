#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/core/xml_node.h"

namespace ui {

// The skin parser: one UTF-16 buffer parsed in place into a flat array of
// element records. It takes the subset of XML that skins use (elements,
// double-quoted attributes, element text, the five named entities) and
// skips comments and processing instructions. Names, values and texts are
// terminated inside the buffer, so reading them never copies.
class XmlDocument {
 public:
  static constexpr size_t kMaxFileSize = 4194304;
  static constexpr size_t kMaxErrorMessage = 99;
  static constexpr size_t kMaxErrorLocation = 49;

  XmlDocument();
  ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Every load discards the previous document first; a failed load leaves
  // the document empty with the reason in GetLastErrorMessage.

  // A relative path is taken from the resource path.
  bool LoadFromFile(const std::wstring& path);
  // UTF-8, with or without a byte-order mark.
  bool LoadFromBytes(const void* bytes, size_t length);
  bool LoadFromText(const wchar_t* text);
  // Takes over a buffer of at least length + 1 characters and parses it in
  // place; text[length] becomes the terminator.
  bool LoadFromBuffer(std::unique_ptr<wchar_t[]> text, size_t length);

  void Release();

  bool preserve_whitespace() const { return preserve_whitespace_; }
  void set_preserve_whitespace(bool preserve) { preserve_whitespace_ = preserve; }

  // The first element of the document; invalid when nothing is loaded.
  XmlNode GetRoot() const;

  const wchar_t* GetLastErrorMessage() const { return error_message_; }
  // Up to 49 characters of the text where parsing stopped; empty for errors
  // of the file itself.
  const wchar_t* GetLastErrorLocation() const { return error_location_; }

 private:
  friend class XmlNode;

  struct Element {
    int32_t name_start;
    int32_t first_child;
    int32_t next_sibling;
    int32_t parent;
    int32_t value_start;
  };

  bool Parse();
  bool ParseAttributes(wchar_t*& p);
  void CopyData(wchar_t*& src, wchar_t*& dest, wchar_t stop) const;
  int32_t AppendElement();
  bool Fail(const wchar_t* message, const wchar_t* location);

  int ElementCount() const { return static_cast<int>(elements_.size()); }
  const Element& ElementAt(int index) const { return elements_[static_cast<size_t>(index)]; }
  // Text at an offset, or an empty text for an offset outside the buffer.
  const wchar_t* TextAt(size_t offset) const;

  std::unique_ptr<wchar_t[]> text_;
  size_t length_ = 0;  // text_[length_] is the terminator
  std::vector<Element> elements_;
  bool preserve_whitespace_ = false;
  // Characters that end or need work in attribute values and element text.
  uint64_t attribute_stops_ = 0;
  uint64_t text_stops_ = 0;
  wchar_t error_message_[kMaxErrorMessage + 1] = {};
  wchar_t error_location_[kMaxErrorLocation + 1] = {};
};

}  // namespace ui
