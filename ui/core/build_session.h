#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>

namespace ui {

class XmlDocument;

// What one layout build shares across its nested builders: a bound on its
// work and the documents it has parsed. A hostile skin stays inside its
// nesting limits and still grows exponentially (a layout that includes
// itself many times, a class that names itself several times), so the total
// is bounded too. The limits are far above any real skin and far below a
// hang; past one the build stops adding and keeps what it has. UI thread
// only.
class BuildSession {
 public:
  static constexpr int kMaxControls = 20000;
  static constexpr int kMaxIncludes = 4096;
  static constexpr int kMaxEventHandlers = 100000;
  static constexpr int kMaxClassLists = 50000;
  // Characters of class names and class lists taken together.
  static constexpr size_t kMaxClassCharacters = 16u << 20;

  // Opens a session for the outermost build on this thread; nested scopes
  // (includes, class lists applied by attributes) share it.
  class Scope {
   public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    BuildSession* operator->() const { return session_; }
    bool outermost() const { return owned_ != nullptr; }

   private:
    std::unique_ptr<BuildSession> owned_;
    BuildSession* session_;
  };

  BuildSession();
  ~BuildSession();
  BuildSession(const BuildSession&) = delete;
  BuildSession& operator=(const BuildSession&) = delete;

  // Each returns false once its limit is reached: nothing more of that kind
  // may be made.
  bool TakeControl();
  bool TakeInclude();
  bool TakeEventHandlers(size_t count);
  bool TakeClassList(size_t characters);

  // The document at |path|, parsed on first use; null when it does not
  // load. A file included many times, or by itself, is read once.
  const XmlDocument* LoadDocument(const std::wstring& path);
  // Lends the session a document its owner parsed from |path|.
  void AddDocument(const std::wstring& path, const XmlDocument* document);

 private:
  bool Take(int* used, int limit);

  int controls_ = 0;
  int includes_ = 0;
  int event_handlers_ = 0;
  int class_lists_ = 0;
  size_t class_characters_ = 0;
  std::map<std::wstring, std::unique_ptr<XmlDocument>> parsed_;
  std::map<std::wstring, const XmlDocument*> documents_;
};

}  // namespace ui
