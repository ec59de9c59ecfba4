#pragma once

#include <mutex>

#include "engine/shared/list_data.h"
#include "include/cef_values.h"

namespace engine {

class ListValueImpl : public CefListValue {
 public:
  explicit ListValueImpl(ListData data = ListData(), bool read_only = false)
      : data_(std::move(data)), read_only_(read_only) {}

  ListData Data();
  // Received lists are read-only: a receiver cannot change what it was sent.
  bool IsReadOnly() const { return read_only_; }
  bool SetSize(size_t size);

  size_t GetSize() override;
  CefValueType GetType(size_t index) override;

  bool GetBool(size_t index) override;
  int GetInt(size_t index) override;
  CefString GetString(size_t index) override;
  bool SetBool(size_t index, bool value) override;
  bool SetInt(size_t index, int value) override;
  bool SetString(size_t index, const CefString& value) override;

 private:
  // Lists may be filled on one thread and read on another.
  bool Set(size_t index, const ListItem& item);
  std::mutex lock_;
  ListData data_;
  bool read_only_;
  IMPLEMENT_REFCOUNTING(ListValueImpl);
};

class ProcessMessageImpl : public CefProcessMessage {
 public:
  ProcessMessageImpl(const CefString& name, CefRefPtr<ListValueImpl> arguments)
      : name_(name), arguments_(std::move(arguments)) {}

  // What the receiving side gets: a fresh, read-only message.
  static CefRefPtr<CefProcessMessage> Received(const std::wstring& name, ListData data);
  // Name and argument copy of any engine message; false for a null one.
  static bool Snapshot(CefRefPtr<CefProcessMessage> message, std::wstring* name, ListData* data);

  CefString GetName() override { return name_; }
  CefRefPtr<CefListValue> GetArgumentList() override { return arguments_.get(); }

 private:
  CefString name_;
  CefRefPtr<ListValueImpl> arguments_;
  IMPLEMENT_REFCOUNTING(ProcessMessageImpl);
};

}  // namespace engine
