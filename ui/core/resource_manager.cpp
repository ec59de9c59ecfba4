#include "ui/core/resource_manager.h"

#include <windows.h>
#include <commctrl.h>
#include <versionhelpers.h>

#include <map>
#include <memory>

#include "ui/core/dpi_scale.h"
#include "ui/core/control.h"
#include "ui/core/markup_builder.h"
#include "ui/render/gdiplus_session.h"
#include "ui/render/image_cache.h"
#include "ui/render/pixel_cache.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {

namespace {

struct ResourceState {
  std::wstring resource_path;
  ControlFactory control_factory;
  std::map<std::wstring, std::unique_ptr<FontInfo>> fonts;
  std::wstring default_font_id;
  std::map<std::wstring, uint32_t> colors;
  std::wstring default_text_color = ResourceManager::kDefaultTextColor;
  std::wstring default_disabled_text_color = ResourceManager::kDefaultDisabledTextColor;
  std::map<std::wstring, std::wstring> classes;
  LanguageStrings language_strings;
  std::unique_ptr<IRenderFactory> render_factory;
  std::unique_ptr<GdiplusSession> gdiplus;
  ImageCache image_cache;
};

ResourceState& State() {
  static ResourceState state;
  return state;
}

const wchar_t* SystemFaceName() {
  // The platform version does not change while the process runs.
  static const bool vista_or_later = ::IsWindowsVistaOrGreater();
  return vista_or_later ? L"\u5FAE\u8F6F\u96C5\u9ED1" : L"\u65B0\u5B8B\u4F53";
}

}  // namespace

void ResourceManager::Startup(const std::wstring& resource_root, const ControlFactory& factory,
                              const std::wstring& theme, const std::wstring& language) {
  State().render_factory = std::make_unique<RenderFactory_GdiPlus>();
  SetResourcePath(resource_root + theme);
  SetControlFactory(factory);
  LoadGlobalResources();
  GetLanguageStrings().LoadFromFile(resource_root + language + L"\\gdstrings.ini");
  // A second Startup keeps the GDI+ start-up it already holds.
  if (!State().gdiplus) State().gdiplus = std::make_unique<GdiplusSession>();
  ::InitCommonControls();
}

void ResourceManager::Shutdown() {
  State().render_factory.reset();
  // What was drawn with the fonts goes with them.
  PixelCache::Current().Clear();
  State().fonts.clear();
  State().default_font_id.clear();
  State().gdiplus.reset();
}

const std::wstring& ResourceManager::GetResourcePath() { return State().resource_path; }

void ResourceManager::SetResourcePath(const std::wstring& path) {
  std::wstring value = path;
  if (!value.empty() && value.back() != L'\\' && value.back() != L'/') value.push_back(L'\\');
  State().resource_path = std::move(value);
}

const ControlFactory& ResourceManager::GetControlFactory() { return State().control_factory; }

void ResourceManager::SetControlFactory(const ControlFactory& factory) { State().control_factory = factory; }

HFONT ResourceManager::AddFont(const std::wstring& face_name, const std::wstring& font_id, int size, bool bold,
                               bool underline, bool italic, bool is_default) {
  ResourceState& state = State();
  std::wstring id = font_id.empty() ? std::to_wstring(state.fonts.size()) : font_id;
  std::wstring face = face_name == L"system" ? std::wstring(SystemFaceName()) : face_name;

  LOGFONTW description = {};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
  ::lstrcpynW(description.lfFaceName, face.c_str(), LF_FACESIZE);
  description.lfCharSet = DEFAULT_CHARSET;
  const int pixels = DpiScale::GetInstance().ScaleValue(size);
  description.lfHeight = -pixels;
  if (bold) {
    // Bold adds to the default weight; the platform's scale ends at 1000.
    description.lfWeight += FW_BOLD;
    if (description.lfWeight > FW_HEAVY) description.lfWeight = FW_HEAVY;
  }
  if (underline) description.lfUnderline = TRUE;
  if (italic) description.lfItalic = TRUE;

  auto record = std::make_unique<FontInfo>();
  record->font.reset(::CreateFontIndirectW(&description));
  if (!record->font) return nullptr;
  record->face_name = face;
  record->size = pixels;
  record->bold = bold;
  record->underline = underline;
  record->italic = italic;

  // First definition wins; the new record, with its font, goes away here.
  auto inserted = state.fonts.emplace(id, std::move(record));
  if (is_default) state.default_font_id = id;
  return inserted.first->second->font.get();
}

FontInfo* ResourceManager::GetFont(const std::wstring& font_id) {
  ResourceState& state = State();
  auto it = state.fonts.find(font_id.empty() ? state.default_font_id : font_id);
  return it == state.fonts.end() ? nullptr : it->second.get();
}

const std::wstring& ResourceManager::GetDefaultFontId() { return State().default_font_id; }

size_t ResourceManager::GetFontCount() { return State().fonts.size(); }

uint32_t ResourceManager::GetTextColor(const std::wstring& name) { return State().colors[name]; }

void ResourceManager::AddTextColor(const std::wstring& name, uint32_t argb) { State().colors[name] = argb; }

std::wstring ResourceManager::GetClassAttributes(const std::wstring& class_name) {
  const auto& classes = State().classes;
  auto it = classes.find(class_name);
  return it == classes.end() ? std::wstring() : it->second;
}

void ResourceManager::AddClass(const std::wstring& class_name, const std::wstring& attribute_list) {
  State().classes[class_name] = attribute_list;
}

const std::wstring& ResourceManager::GetDefaultTextColor() { return State().default_text_color; }

void ResourceManager::SetDefaultTextColor(const std::wstring& name) { State().default_text_color = name; }

const std::wstring& ResourceManager::GetDefaultDisabledTextColor() { return State().default_disabled_text_color; }

void ResourceManager::SetDefaultDisabledTextColor(const std::wstring& name) {
  State().default_disabled_text_color = name;
}

LanguageStrings& ResourceManager::GetLanguageStrings() { return State().language_strings; }

IRenderFactory* ResourceManager::GetRenderFactory() { return State().render_factory.get(); }

std::shared_ptr<ImageInfo> ResourceManager::GetImage(const std::wstring& path) {
  return State().image_cache.GetImage(path);
}

std::shared_ptr<ImageInfo> ResourceManager::FindCachedImage(const std::wstring& path) {
  return State().image_cache.FindCachedImage(path);
}

void ResourceManager::LoadGlobalResources() {
  // The builder fills the tables; "global.xml" builds no controls, and any
  // it might hold are not wanted.
  MarkupBuilder builder;
  delete builder.Create(L"global.xml");
}

namespace {

// Parsed layouts by path, kept for the life of the process so embedded
// layouts are parsed once. Builds nest (a box filled from a file may hold
// boxes filled from files, even from the same one), so a builder at work
// further up the stack is neither re-entered nor replaced.
struct CachedLayout {
  std::unique_ptr<MarkupBuilder> builder;
  bool busy = false;
};

std::map<std::wstring, CachedLayout>& LayoutCache() {
  static std::map<std::wstring, CachedLayout> cache;
  return cache;
}

}  // namespace

Control* ResourceManager::CreateControlTree(const std::wstring& layout_path, const ControlFactory& callback,
                                            Control* parent, ControlHost* window) {
  auto& cache = LayoutCache();
  auto it = cache.find(layout_path);
  if (it != cache.end() && !it->second.busy) {
    // Map entries stay where they are while nested builds add others.
    CachedLayout& entry = it->second;
    entry.busy = true;
    Control* control = entry.builder->CreateFromDocument(callback, window, parent);
    entry.busy = false;
    return control;
  }
  auto builder = std::make_unique<MarkupBuilder>();
  Control* control = builder->Create(layout_path, callback, window, parent);
  if (control && cache.find(layout_path) == cache.end()) cache[layout_path].builder = std::move(builder);
  return control;
}

}  // namespace ui
