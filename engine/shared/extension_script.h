#pragma once

#include <string>
#include <vector>

namespace engine {

// One "native function NAME(...);" declaration of an extension's script.
struct NativeDeclaration {
  std::wstring name;
  // Where the declaration stands, its closing semicolon included.
  size_t begin = 0;
  size_t end = 0;
};

// The declarations of an extension's script, in order. "native functionX"
// and a name without its parameters are no declarations.
std::vector<NativeDeclaration> FindNativeDeclarations(const std::wstring& code);

}  // namespace engine
