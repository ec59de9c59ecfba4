#include "engine/shared/values_impl.h"

namespace engine {

namespace {
// A bound on list growth, so that a wild index cannot exhaust memory.
constexpr size_t kMaxListSize = 1 << 20;
}  // namespace

ListData ListValueImpl::Data() {
  std::lock_guard<std::mutex> guard(lock_);
  return data_;
}

bool ListValueImpl::SetSize(size_t size) {
  std::lock_guard<std::mutex> guard(lock_);
  if (read_only_ || size > kMaxListSize) return false;
  data_.resize(size);
  return true;
}

size_t ListValueImpl::GetSize() {
  std::lock_guard<std::mutex> guard(lock_);
  return data_.size();
}

CefValueType ListValueImpl::GetType(size_t index) {
  std::lock_guard<std::mutex> guard(lock_);
  return index < data_.size() ? data_[index].type : VTYPE_INVALID;
}

bool ListValueImpl::GetBool(size_t index) {
  std::lock_guard<std::mutex> guard(lock_);
  return index < data_.size() && data_[index].type == VTYPE_BOOL && data_[index].bool_value;
}

int ListValueImpl::GetInt(size_t index) {
  std::lock_guard<std::mutex> guard(lock_);
  return index < data_.size() && data_[index].type == VTYPE_INT ? data_[index].int_value : 0;
}

CefString ListValueImpl::GetString(size_t index) {
  std::lock_guard<std::mutex> guard(lock_);
  return index < data_.size() && data_[index].type == VTYPE_STRING ? CefString(data_[index].string_value) : CefString();
}

bool ListValueImpl::Set(size_t index, const ListItem& item) {
  std::lock_guard<std::mutex> guard(lock_);
  if (read_only_ || index >= kMaxListSize) return false;
  if (index >= data_.size()) data_.resize(index + 1);
  data_[index] = item;
  return true;
}

bool ListValueImpl::SetBool(size_t index, bool value) {
  ListItem item;
  item.type = VTYPE_BOOL;
  item.bool_value = value;
  return Set(index, item);
}

bool ListValueImpl::SetInt(size_t index, int value) {
  ListItem item;
  item.type = VTYPE_INT;
  item.int_value = value;
  return Set(index, item);
}

bool ListValueImpl::SetString(size_t index, const CefString& value) {
  ListItem item;
  item.type = VTYPE_STRING;
  item.string_value = value.ToWString();
  return Set(index, item);
}

CefRefPtr<CefProcessMessage> ProcessMessageImpl::Received(const std::wstring& name, ListData data) {
  return new ProcessMessageImpl(name, new ListValueImpl(std::move(data), true));
}

bool ProcessMessageImpl::Snapshot(CefRefPtr<CefProcessMessage> message, std::wstring* name, ListData* data) {
  if (!message) return false;
  *name = message->GetName().ToWString();
  data->clear();
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  auto* list = dynamic_cast<ListValueImpl*>(arguments.get());
  if (!list) return true;
  size_t size = list->GetSize();
  for (size_t i = 0; i < size; ++i) {
    ListItem item;
    item.type = list->GetType(i);
    switch (item.type) {
      case VTYPE_BOOL:
        item.bool_value = list->GetBool(i);
        break;
      case VTYPE_INT:
        item.int_value = list->GetInt(i);
        break;
      case VTYPE_STRING:
        item.string_value = list->GetString(i).ToWString();
        break;
      default:
        item.type = VTYPE_NULL;
        break;
    }
    data->push_back(std::move(item));
  }
  return true;
}

}  // namespace engine

CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
  return new engine::ProcessMessageImpl(name, new engine::ListValueImpl());
}
