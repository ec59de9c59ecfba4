#include "ui/render/image_info.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>

#include "base/unique_handle.h"
#include "ui/render/gdiplus_flat.h"

namespace ui {

namespace {

// Files beyond this are not skin images; refusing them keeps a bad file
// from exhausting memory.
constexpr DWORD kMaxFileBytes = 64u * 1024 * 1024;
constexpr PROPID kFrameDelayTag = 0x5100;

struct StreamTraits {
  using Type = IStream*;
  static Type Invalid() { return nullptr; }
  static void Close(Type stream) { stream->Release(); }
};
using UniqueStream = qbase::UniqueHandle<StreamTraits>;

bool ReadFileBytes(const std::wstring& path, std::vector<char>* bytes) {
  qbase::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kMaxFileBytes) return false;
  bytes->resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return ::ReadFile(file.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
         read == bytes->size();
}

// Whether any pixel of the active frame is less than opaque.
bool FrameHasTranslucentPixel(Gdiplus::GpBitmap* bitmap) {
  UINT width = 0;
  UINT height = 0;
  gp::GdipGetImageWidth(bitmap, &width);
  gp::GdipGetImageHeight(bitmap, &height);
  Gdiplus::GpRect area(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data = {};
  if (gp::GdipBitmapLockBits(bitmap, &area, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
      Gdiplus::Ok) {
    return false;
  }
  bool translucent = false;
  const BYTE* row = static_cast<const BYTE*>(data.Scan0);
  for (UINT y = 0; y < data.Height && !translucent; ++y, row += data.Stride) {
    for (UINT x = 0; x < data.Width; ++x) {
      if (row[x * 4 + 3] != 255) {
        translucent = true;
        break;
      }
    }
  }
  gp::GdipBitmapUnlockBits(bitmap, &data);
  return translucent;
}

bool PaletteHasAlpha(Gdiplus::GpImage* image, bool* has_alpha) {
  INT size = 0;
  if (gp::GdipGetImagePaletteSize(image, &size) != Gdiplus::Ok || size < static_cast<INT>(sizeof(Gdiplus::ColorPalette))) {
    return false;
  }
  std::vector<BYTE> buffer(static_cast<size_t>(size));
  Gdiplus::ColorPalette* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
  if (gp::GdipGetImagePalette(image, palette, size) != Gdiplus::Ok || palette->Count == 0) return false;
  *has_alpha = (palette->Flags & Gdiplus::PaletteFlagsHasAlpha) != 0;
  return true;
}

}  // namespace

std::unique_ptr<ImageInfo> ImageInfo::LoadFromFile(const std::wstring& path) {
  std::vector<char> bytes;
  if (!ReadFileBytes(path, &bytes)) return nullptr;
  return LoadFromMemory(bytes.data(), bytes.size(), path);
}

std::unique_ptr<ImageInfo> ImageInfo::LoadFromMemory(const void* data, size_t size, const std::wstring& path) {
  if (!data || size == 0 || size > kMaxFileBytes) return nullptr;
  UniqueStream stream(::SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size)));
  if (!stream) return nullptr;
  Gdiplus::GpBitmap* decoded = nullptr;
  if (gp::GdipCreateBitmapFromStream(stream.get(), &decoded) != Gdiplus::Ok || !decoded) return nullptr;
  UniqueGpImage image(decoded);

  UINT dimension_count = 0;
  if (gp::GdipImageGetFrameDimensionsCount(image.get(), &dimension_count) != Gdiplus::Ok || dimension_count == 0) {
    return nullptr;
  }
  std::vector<GUID> dimensions(dimension_count);
  UINT frame_count = 0;
  if (gp::GdipImageGetFrameDimensionsList(image.get(), dimensions.data(), dimension_count) != Gdiplus::Ok ||
      gp::GdipImageGetFrameCount(image.get(), &dimensions[0], &frame_count) != Gdiplus::Ok || frame_count == 0) {
    return nullptr;
  }

  std::unique_ptr<ImageInfo> info(new ImageInfo());
  UINT width = 0;
  UINT height = 0;
  if (gp::GdipGetImageWidth(image.get(), &width) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(image.get(), &height) != Gdiplus::Ok || width == 0 || height == 0 ||
      width > 0x7FFF || height > 0x7FFF) {
    return nullptr;
  }

  if (frame_count > 1) {
    UINT property_size = 0;
    if (gp::GdipGetPropertyItemSize(image.get(), kFrameDelayTag, &property_size) != Gdiplus::Ok ||
        property_size < sizeof(Gdiplus::PropertyItem)) {
      return nullptr;
    }
    std::vector<BYTE> buffer(property_size);
    Gdiplus::PropertyItem* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (gp::GdipGetPropertyItem(image.get(), kFrameDelayTag, property_size, item) != Gdiplus::Ok || !item->value) {
      return nullptr;
    }
    // Never read past what the property really holds.
    const size_t available = property_size - sizeof(Gdiplus::PropertyItem);
    const size_t count = std::min<size_t>(item->length, available) / sizeof(uint32_t);
    info->frame_delays_.resize(count);
    if (count) std::memcpy(info->frame_delays_.data(), item->value, count * sizeof(uint32_t));
  }

  Gdiplus::PixelFormat format = 0;
  gp::GdipGetImagePixelFormat(image.get(), &format);
  const bool scan_pixels = format == PixelFormat32bppARGB;
  bool has_alpha = false;
  if (!scan_pixels) {
    bool palette_alpha = false;
    if ((format & PixelFormatIndexed) && PaletteHasAlpha(image.get(), &palette_alpha)) {
      has_alpha = palette_alpha;
    } else {
      has_alpha = (format & PixelFormatAlpha) != 0;
    }
  }

  info->frames_.reserve(frame_count);
  for (UINT i = 0; i < frame_count; ++i) {
    if (frame_count > 1 && gp::GdipImageSelectActiveFrame(image.get(), &dimensions[0], i) != Gdiplus::Ok) {
      return nullptr;
    }
    HBITMAP frame = nullptr;
    if (gp::GdipCreateHBITMAPFromBitmap(decoded, &frame, 0xFF000000) != Gdiplus::Ok || !frame) return nullptr;
    info->frames_.emplace_back(frame);
    if (scan_pixels && !has_alpha) has_alpha = FrameHasTranslucentPixel(decoded);
  }

  info->width_ = static_cast<int>(width);
  info->height_ = static_cast<int>(height);
  info->path_ = path;
  info->has_alpha_ = has_alpha;
  return info;
}

}  // namespace ui
