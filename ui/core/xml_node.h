#pragma once

#include <cstddef>
#include <cstdint>

namespace ui {

class XmlDocument;

// A value handle on one element of an XmlDocument. Texts it returns point
// into the document's buffer: they stay valid while the document keeps its
// current load. Attributes are split on first use and travel with copies of
// the handle, so keep a handle rather than asking the document again.
class XmlNode {
 public:
  static constexpr int kMaxAttributes = 64;
  // Callers of GetAttributeValue(name, ...) pass buffers of this size; at
  // most one character less is copied.
  static constexpr size_t kValueBufferSize = 500;

  XmlNode() = default;
  XmlNode(const XmlDocument* document, int index) : document_(document), index_(index) {}

  bool IsValid() const;
  int index() const { return index_; }

  XmlNode GetFirstChild() const;
  XmlNode GetNextSibling() const;
  XmlNode GetParent() const;

  const wchar_t* GetName() const;
  const wchar_t* GetValue() const;

  int GetAttributeCount() const;
  // Empty text for an index out of range.
  const wchar_t* GetAttributeName(int index) const;
  const wchar_t* GetAttributeValue(int index) const;

  // Copies the value of the first attribute named exactly `name`, cut to
  // kValueBufferSize - 1 characters (and to the buffer). False, with the
  // buffer untouched, when there is no such attribute.
  bool GetAttributeValue(const wchar_t* name, wchar_t* buffer, size_t buffer_size) const;
  template <size_t N>
  bool GetAttributeValue(const wchar_t* name, wchar_t (&buffer)[N]) const {
    return GetAttributeValue(name, buffer, N);
  }

 private:
  void SplitAttributes() const;

  const XmlDocument* document_ = nullptr;
  int index_ = 0;
  // 0 until split; an element without attributes is simply split again.
  mutable int attribute_count_ = 0;
  // Name and value offsets into the document text, in pairs.
  mutable uint32_t attribute_offsets_[kMaxAttributes * 2] = {};
};

}  // namespace ui
