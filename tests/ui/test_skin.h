#pragma once

#include <string>

#include "tests/ui/byte_mutator.h"
#include "tests/ui/render_support.h"
#include "ui/core/resource_manager.h"

namespace ui {
namespace test {

// The test data's control skin for as long as it lives, with the resource
// manager's path and default colours put back afterwards, so suites that
// share the process see the framework's own names again.
class ScopedTestSkin {
 public:
  ScopedTestSkin() : saved_path_(ResourceManager::GetResourcePath()) {
    EnsureGdiplus();
    ResourceManager::Startup(TestDataPath(L"skins\\"), nullptr, L"controls", L"lang");
  }
  ~ScopedTestSkin() {
    ResourceManager::SetResourcePath(saved_path_);
    ResourceManager::SetDefaultTextColor(ResourceManager::kDefaultTextColor);
    ResourceManager::SetDefaultDisabledTextColor(ResourceManager::kDefaultDisabledTextColor);
  }
  ScopedTestSkin(const ScopedTestSkin&) = delete;
  ScopedTestSkin& operator=(const ScopedTestSkin&) = delete;

 private:
  std::wstring saved_path_;
};

}  // namespace test
}  // namespace ui
