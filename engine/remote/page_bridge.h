#pragma once

#include <string>
#include <vector>

#include "include/cef_v8.h"

namespace remote {

// The part of the engine that lives in every page's own script world: a
// table that holds the page values native code refers to, the functions
// through which the engine reads, calls and releases them, and the
// extensions, whose "native function" declarations become stubs that hand
// the call to the engine through a binding.
struct PageBridge {
  struct Extension {
    std::wstring code;
    // The declared natives' argument checks, as the page stub runs them:
    // a JSON object {"name": {"shapes": [[kind, ...], ...], "refusal": text,
    // "failure": text, "unique": bool}}.
    std::string checks = "{}";
  };

  // The checks of |natives| as their handler declares them, in that form.
  static std::string Checks(CefRefPtr<CefV8Handler> handler, const std::vector<std::wstring>& natives);

  // Names that no page uses by chance: the binding and the engine's object.
  static std::string BindingName(const std::string& token);
  static std::string ApiName(const std::string& token);
  // An expression for the engine's object in a page.
  static std::string Api(const std::string& token);

  // The script that runs in every frame's main world before the page's own.
  static std::string Script(const std::string& token, const std::vector<Extension>& extensions);
  // An extension with each "native function NAME(...);" made a stub for the
  // extension of that index; the names found are added to |natives|.
  static std::wstring Transform(const std::wstring& code, int extension, const std::string& token,
                                std::vector<std::wstring>* natives);
};

}  // namespace remote
