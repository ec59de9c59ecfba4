#include "ui/core/build_session.h"

#include "ui/core/xml_document.h"

namespace ui {

namespace {

// The session of the build running on this thread, if any.
thread_local BuildSession* t_current = nullptr;

}  // namespace

BuildSession::Scope::Scope() : session_(t_current) {
  if (session_) return;
  owned_ = std::make_unique<BuildSession>();
  session_ = owned_.get();
  t_current = session_;
}

BuildSession::Scope::~Scope() {
  if (owned_) t_current = nullptr;
}

BuildSession::BuildSession() = default;

BuildSession::~BuildSession() = default;

bool BuildSession::Take(int* used, int limit) {
  if (*used >= limit) return false;
  ++*used;
  return true;
}

bool BuildSession::TakeControl() { return Take(&controls_, kMaxControls); }

bool BuildSession::TakeInclude() { return Take(&includes_, kMaxIncludes); }

bool BuildSession::TakeEventHandlers(size_t count) {
  if (count > static_cast<size_t>(kMaxEventHandlers - event_handlers_)) return false;
  event_handlers_ += static_cast<int>(count);
  return true;
}

bool BuildSession::TakeClassList(size_t characters) {
  if (characters > kMaxClassCharacters - class_characters_ || !Take(&class_lists_, kMaxClassLists)) return false;
  class_characters_ += characters;
  return true;
}

const XmlDocument* BuildSession::LoadDocument(const std::wstring& path) {
  auto known = documents_.find(path);
  if (known != documents_.end()) return known->second;
  auto document = std::make_unique<XmlDocument>();
  document->set_preserve_whitespace(true);
  const XmlDocument* loaded = document->LoadFromFile(path) ? document.get() : nullptr;
  // A file that does not load is not tried again either.
  documents_[path] = loaded;
  if (loaded) parsed_[path] = std::move(document);
  return loaded;
}

void BuildSession::AddDocument(const std::wstring& path, const XmlDocument* document) {
  documents_.emplace(path, document);
}

}  // namespace ui
