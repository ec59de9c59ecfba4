#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/core/font_info.h"
#include "ui/core/language_strings.h"

namespace ui {

class Control;
class ControlHost;
class IRenderFactory;
class ImageInfo;

// The application's hook for element names the framework does not know:
// returns a new control, or null to pass.
using ControlFactory = std::function<Control*(const std::wstring& element_name)>;

// Everything a skin shares between windows: the theme folder, fonts, named
// colours, style classes, default text colours, language strings and the
// control factory. Process-wide; started and used on the UI thread only, so
// nothing here locks.
class ResourceManager {
 public:
  ResourceManager() = delete;

  static constexpr const wchar_t* kDefaultTextColor = L"textdefaultcolor";
  static constexpr const wchar_t* kDefaultDisabledTextColor = L"textdefaultdisablecolor";

  // resource_root is the folder holding themes and languages; theme and
  // language are folders below it.
  static void Startup(const std::wstring& resource_root, const ControlFactory& factory, const std::wstring& theme,
                      const std::wstring& language);
  // Releases the fonts. The other tables live as long as the process.
  static void Shutdown();

  // Always ends in a separator once set to anything non-empty.
  static const std::wstring& GetResourcePath();
  static void SetResourcePath(const std::wstring& path);

  static const ControlFactory& GetControlFactory();
  static void SetControlFactory(const ControlFactory& factory);

  // Creates and registers a font; an empty id becomes the current number of
  // fonts. The first font under an id stays. Returns the handle now
  // registered under the id, or null when the font could not be made.
  static HFONT AddFont(const std::wstring& face_name, const std::wstring& font_id, int size, bool bold,
                       bool underline, bool italic, bool is_default);
  // An empty id means the default font. Null for an unknown id.
  static FontInfo* GetFont(const std::wstring& font_id);
  static const std::wstring& GetDefaultFontId();
  static size_t GetFontCount();

  // An unknown name is entered with 0, which draws nothing; a later
  // definition then takes effect everywhere it is used.
  static uint32_t GetTextColor(const std::wstring& name);
  static void AddTextColor(const std::wstring& name, uint32_t argb);

  static std::wstring GetClassAttributes(const std::wstring& class_name);
  static void AddClass(const std::wstring& class_name, const std::wstring& attribute_list);

  static const std::wstring& GetDefaultTextColor();
  static void SetDefaultTextColor(const std::wstring& name);
  static const std::wstring& GetDefaultDisabledTextColor();
  static void SetDefaultDisabledTextColor(const std::wstring& name);

  static LanguageStrings& GetLanguageStrings();

  // The drawing factory installed by Startup; null before it and after
  // Shutdown.
  static IRenderFactory* GetRenderFactory();

  // The decoded image at |path|, shared with every other holder; decoded
  // from disk when nobody holds it. Null when it cannot be decoded.
  static std::shared_ptr<ImageInfo> GetImage(const std::wstring& path);
  // Only an image some holder still has; never decodes.
  static std::shared_ptr<ImageInfo> FindCachedImage(const std::wstring& path);

  // Reads "global.xml" from the resource path into the font, colour, class
  // and default-colour tables. Part of Startup.
  static void LoadGlobalResources();
  // Builds the layout at |layout_path| into |parent|. The parsed document
  // is cached by path, so later trees of the same layout skip parsing.
  // Returns the first control built, or null.
  static Control* CreateControlTree(const std::wstring& layout_path, const ControlFactory& callback,
                                    Control* parent, ControlHost* window);
};

}  // namespace ui
