#include "ui/controls/text_services_library.h"

#include <map>
#include <memory>

#include "base/path_util.h"
#include "base/unique_handle.h"

namespace ui {

namespace {

struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::FreeLibrary(handle); }
};
using UniqueModule = qbase::UniqueHandle<ModuleTraits>;

// The identifiers the platform documents, used when a library does not
// export its own. The library's own win: some import libraries have shipped
// values that the engine does not answer to.
constexpr IID kTextServicesIid = {0x8d33f740, 0xcf58, 0x11ce, {0xa8, 0x9d, 0x00, 0xaa, 0x00, 0x6c, 0xad, 0xc5}};
constexpr IID kTextHostIid = {0xc5bdd8d0, 0xd26e, 0x11ce, {0xa8, 0x9e, 0x00, 0xaa, 0x00, 0x6c, 0xad, 0xc5}};

struct Entry {
  UniqueModule module;
  std::unique_ptr<TextServicesLibrary> library;
};

// Every path tried, loaded or not, so a missing library is asked for once.
std::map<std::wstring, Entry>& Loaded() {
  static std::map<std::wstring, Entry> loaded;
  return loaded;
}

IID ExportedIid(HMODULE module, const char* name, const IID& fallback) {
  const auto* exported = reinterpret_cast<const IID*>(::GetProcAddress(module, name));
  return exported ? *exported : fallback;
}

}  // namespace

const TextServicesLibrary* TextServicesLibrary::Default() {
  static const TextServicesLibrary* chosen = [] {
    const std::wstring private_copy = qbase::ModuleDirectory() + kPrivateLibrary;
    if (::GetFileAttributesW(private_copy.c_str()) != INVALID_FILE_ATTRIBUTES) {
      if (const TextServicesLibrary* library = Load(private_copy)) return library;
    }
    return Load(kSystemLibrary);
  }();
  return chosen;
}

const TextServicesLibrary* TextServicesLibrary::Load(const std::wstring& path) {
  auto found = Loaded().find(path);
  if (found != Loaded().end()) return found->second.library.get();
  Entry& entry = Loaded()[path];
  UniqueModule module(::LoadLibraryW(path.c_str()));
  if (!module) return nullptr;
  auto create = reinterpret_cast<CreateTextServicesFunction>(
      reinterpret_cast<void*>(::GetProcAddress(module.get(), "CreateTextServices")));
  if (!create) return nullptr;
  std::unique_ptr<TextServicesLibrary> library(new TextServicesLibrary());
  library->create_ = create;
  library->services_iid_ = ExportedIid(module.get(), "IID_ITextServices", kTextServicesIid);
  library->host_iid_ = ExportedIid(module.get(), "IID_ITextHost", kTextHostIid);
  entry.module = std::move(module);
  entry.library = std::move(library);
  return entry.library.get();
}

ITextServices* TextServicesLibrary::CreateServices(ITextHost* host) const {
  IUnknown* unknown = nullptr;
  if (FAILED(create_(nullptr, host, &unknown)) || !unknown) return nullptr;
  ITextServices* services = nullptr;
  const HRESULT result = unknown->QueryInterface(services_iid_, reinterpret_cast<void**>(&services));
  unknown->Release();
  return SUCCEEDED(result) ? services : nullptr;
}

}  // namespace ui
