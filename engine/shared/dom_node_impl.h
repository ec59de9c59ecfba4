#pragma once

#include "include/cef_dom.h"

namespace engine {

// A focused node of a page, as far as the engine tells about it.
class DomNodeImpl : public CefDOMNode {
 public:
  explicit DomNodeImpl(bool editable) : editable_(editable) {}
  bool IsEditable() override { return editable_; }

 private:
  bool editable_;
  IMPLEMENT_REFCOUNTING(DomNodeImpl);
};

}  // namespace engine
