#pragma once

#include "include/cef_base.h"
#include "include/cef_string.h"

class CefCommandLine : public virtual CefBaseRefCounted {
 public:
  virtual void AppendSwitch(const CefString& name) = 0;
  virtual void AppendSwitchWithValue(const CefString& name, const CefString& value) = 0;
};
