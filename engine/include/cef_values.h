#pragma once

#include "include/cef_base.h"
#include "include/cef_types.h"

// An ordered list of simple values. Lists travel between processes only as
// copies.
class CefListValue : public virtual CefBaseRefCounted {
 public:
  virtual size_t GetSize() = 0;
  // VTYPE_INVALID past the end.
  virtual CefValueType GetType(size_t index) = 0;
  // A missing index or a value of another type gives the type's default.
  virtual bool GetBool(size_t index) = 0;
  virtual int GetInt(size_t index) = 0;
  virtual CefString GetString(size_t index) = 0;
  // Writing past the end grows the list with null values.
  virtual bool SetBool(size_t index, bool value) = 0;
  virtual bool SetInt(size_t index, int value) = 0;
  virtual bool SetString(size_t index, const CefString& value) = 0;
};

// Carried with a browser's creation; the client passes none.
class CefDictionaryValue : public virtual CefBaseRefCounted {};

class CefProcessMessage : public virtual CefBaseRefCounted {
 public:
  static CefRefPtr<CefProcessMessage> Create(const CefString& name);

  virtual CefString GetName() = 0;
  virtual CefRefPtr<CefListValue> GetArgumentList() = 0;
};
