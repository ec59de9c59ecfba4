#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/render/image_info.h"

namespace ui {

// Decoded images shared by path. The cache only watches its images: each
// lives as long as some holder keeps it, the last holder's release removes
// its entry, and the next request decodes the file again.
class ImageCache {
 public:
  using Loader = std::function<std::unique_ptr<ImageInfo>(const std::wstring& path)>;

  ImageCache();
  // Tests count decodes through their own loader.
  explicit ImageCache(Loader loader);
  ~ImageCache();
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // The shared image for |path|, decoding it when no holder has it; null
  // when it cannot be decoded.
  std::shared_ptr<ImageInfo> GetImage(const std::wstring& path);
  // The shared image only when some holder still has it; never decodes.
  std::shared_ptr<ImageInfo> FindCachedImage(const std::wstring& path) const;

  size_t size() const { return entries_->size(); }

 private:
  using Entries = std::map<std::wstring, std::weak_ptr<ImageInfo>>;

  // Shared with every image's deleter, which may run after the cache is gone.
  std::shared_ptr<Entries> entries_;
  Loader loader_;
};

}  // namespace ui
