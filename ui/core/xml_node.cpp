#include "ui/core/xml_node.h"

#include <cwchar>

#include "ui/core/xml_document.h"

namespace ui {

bool XmlNode::IsValid() const { return document_ && index_ > 0 && index_ < document_->ElementCount(); }

XmlNode XmlNode::GetFirstChild() const {
  if (!IsValid()) return XmlNode();
  int child = document_->ElementAt(index_).first_child;
  return child ? XmlNode(document_, child) : XmlNode();
}

XmlNode XmlNode::GetNextSibling() const {
  if (!IsValid()) return XmlNode();
  int sibling = document_->ElementAt(index_).next_sibling;
  return sibling ? XmlNode(document_, sibling) : XmlNode();
}

XmlNode XmlNode::GetParent() const {
  if (!IsValid()) return XmlNode();
  int parent = document_->ElementAt(index_).parent;
  return parent ? XmlNode(document_, parent) : XmlNode();
}

const wchar_t* XmlNode::GetName() const {
  if (!IsValid()) return L"";
  return document_->TextAt(static_cast<size_t>(document_->ElementAt(index_).name_start));
}

const wchar_t* XmlNode::GetValue() const {
  if (!IsValid()) return L"";
  return document_->TextAt(static_cast<size_t>(document_->ElementAt(index_).value_start));
}

// Walks the attribute area that the parser left behind: name, terminator,
// white space (the "=" became a space), opening quote, value, terminator.
// Every step is bounded by the text's end, whatever the buffer holds.
void XmlNode::SplitAttributes() const {
  attribute_count_ = 0;
  if (!IsValid()) return;
  const wchar_t* const text = document_->text_.get();
  const size_t end = document_->length_;
  size_t pos = static_cast<size_t>(document_->ElementAt(index_).name_start);
  auto skip_space = [&] {
    while (pos < end && text[pos] != 0 && text[pos] <= 32) ++pos;
  };
  auto skip_past_terminator = [&] {
    while (pos < end && text[pos] != 0) ++pos;
    if (pos < end) ++pos;
  };
  skip_past_terminator();
  while (attribute_count_ < kMaxAttributes) {
    skip_space();
    if (pos >= end) return;
    const size_t name = pos;
    skip_past_terminator();
    skip_space();
    if (pos >= end || text[pos] != L'"') return;
    const size_t value = ++pos;
    attribute_offsets_[attribute_count_ * 2] = static_cast<uint32_t>(name);
    attribute_offsets_[attribute_count_ * 2 + 1] = static_cast<uint32_t>(value);
    ++attribute_count_;
    skip_past_terminator();
  }
}

int XmlNode::GetAttributeCount() const {
  if (attribute_count_ == 0) SplitAttributes();
  return attribute_count_;
}

const wchar_t* XmlNode::GetAttributeName(int index) const {
  if (index < 0 || index >= GetAttributeCount() || !IsValid()) return L"";
  return document_->TextAt(attribute_offsets_[index * 2]);
}

const wchar_t* XmlNode::GetAttributeValue(int index) const {
  if (index < 0 || index >= GetAttributeCount() || !IsValid()) return L"";
  return document_->TextAt(attribute_offsets_[index * 2 + 1]);
}

bool XmlNode::GetAttributeValue(const wchar_t* name, wchar_t* buffer, size_t buffer_size) const {
  if (!name || !buffer || buffer_size == 0) return false;
  const int count = GetAttributeCount();
  for (int i = 0; i < count; ++i) {
    if (std::wcscmp(GetAttributeName(i), name) != 0) continue;
    size_t limit = buffer_size - 1;
    if (limit > kValueBufferSize - 1) limit = kValueBufferSize - 1;
    const wchar_t* value = GetAttributeValue(i);
    size_t n = 0;
    for (; n < limit && value[n]; ++n) buffer[n] = value[n];
    buffer[n] = 0;
    return true;
  }
  return false;
}

}  // namespace ui
