#pragma once

#include "include/cef_base.h"
#include "include/cef_types.h"

class CefRequest : public virtual CefBaseRefCounted {
 public:
  virtual CefString GetURL() = 0;
};
