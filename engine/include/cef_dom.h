#pragma once

#include "include/cef_base.h"

class CefDOMNode : public virtual CefBaseRefCounted {
 public:
  virtual bool IsEditable() = 0;
};
