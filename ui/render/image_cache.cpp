#include "ui/render/image_cache.h"

#include "ui/core/string_util.h"

namespace ui {

ImageCache::ImageCache() : ImageCache(&ImageInfo::LoadFromFile) {}

ImageCache::ImageCache(Loader loader) : entries_(std::make_shared<Entries>()), loader_(std::move(loader)) {}

ImageCache::~ImageCache() = default;

std::shared_ptr<ImageInfo> ImageCache::FindCachedImage(const std::wstring& path) const {
  auto it = entries_->find(NormalizePath(path));
  return it == entries_->end() ? nullptr : it->second.lock();
}

std::shared_ptr<ImageInfo> ImageCache::GetImage(const std::wstring& path) {
  const std::wstring key = NormalizePath(path);
  auto it = entries_->find(key);
  if (it != entries_->end()) {
    if (std::shared_ptr<ImageInfo> alive = it->second.lock()) return alive;
  }
  if (!loader_) return nullptr;
  std::unique_ptr<ImageInfo> loaded = loader_(key);
  if (!loaded) return nullptr;

  std::weak_ptr<Entries> entries = entries_;
  std::shared_ptr<ImageInfo> shared(loaded.release(), [entries, key](ImageInfo* image) {
    std::shared_ptr<Entries> table = entries.lock();
    if (table && image->cached() && !image->path().empty()) {
      auto entry = table->find(key);
      // Only an expired entry is this image's; a live one is a newer decode.
      if (entry != table->end() && entry->second.expired()) table->erase(entry);
    }
    delete image;
  });
  shared->set_cached(true);
  (*entries_)[key] = shared;
  return shared;
}

}  // namespace ui
