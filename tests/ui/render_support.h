#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/render/gdiplus_flat.h"
#include "ui/render/gdiplus_session.h"
#include "ui/render/render_interface.h"

namespace ui {
namespace test {

// GDI+ stays up for the whole test run, whatever other tests start and stop.
inline void EnsureGdiplus() { static GdiplusSession session; }

// 0xAARRGGBB of one pixel of a top-down 32-bit surface.
inline uint32_t PixelAt(const IRenderContext& context, int x, int y) {
  ::GdiFlush();
  const uint8_t* p =
      static_cast<const uint8_t*>(context.GetPixelBits()) + (static_cast<size_t>(y) * context.GetWidth() + x) * 4;
  return (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

inline uint8_t Channel(uint32_t argb, int shift) { return static_cast<uint8_t>((argb >> shift) & 0xFF); }
inline uint8_t AlphaOf(uint32_t argb) { return Channel(argb, 24); }
inline uint8_t RedOf(uint32_t argb) { return Channel(argb, 16); }
inline uint8_t GreenOf(uint32_t argb) { return Channel(argb, 8); }
inline uint8_t BlueOf(uint32_t argb) { return Channel(argb, 0); }

// Colour channels within |tolerance| of each other, alpha ignored.
inline bool NearRgb(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(int(Channel(a, shift)) - int(Channel(b, shift))) > tolerance) return false;
  }
  return true;
}

// Fills a whole surface's memory with one value, bypassing GDI.
inline void FillSurface(IRenderContext& context, uint32_t argb) {
  ::GdiFlush();
  uint32_t* p = static_cast<uint32_t*>(context.GetPixelBits());
  std::fill(p, p + static_cast<size_t>(context.GetWidth()) * context.GetHeight(), argb);
}

// A GDI+ bitmap whose pixels come from |color| (non-premultiplied ARGB).
inline Gdiplus::GpBitmap* MakeArgbBitmap(int width, int height, const std::function<uint32_t(int, int)>& color) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) gp::GdipBitmapSetPixel(bitmap, x, y, color(x, y));
  }
  return bitmap;
}

// The bytes of |bitmap| written by the platform encoder for |mime|.
inline std::string EncodeImage(Gdiplus::GpImage* image, const wchar_t* mime) {
  UINT count = 0;
  UINT size = 0;
  gp::GdipGetImageEncodersSize(&count, &size);
  std::vector<BYTE> buffer(size);
  Gdiplus::ImageCodecInfo* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (!size || gp::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return std::string();
  const CLSID* clsid = nullptr;
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) == mime) clsid = &codecs[i].Clsid;
  }
  if (!clsid) return std::string();
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return std::string();
  std::string bytes;
  if (gp::GdipSaveImageToStream(image, stream, clsid, nullptr) == Gdiplus::Ok) {
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    bytes.resize(static_cast<size_t>(stat.cbSize.QuadPart));
    ULONG read = 0;
    stream->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &read);
    bytes.resize(read);
  }
  stream->Release();
  return bytes;
}

inline std::string EncodeArgb(int width, int height, const wchar_t* mime,
                              const std::function<uint32_t(int, int)>& color) {
  Gdiplus::GpBitmap* bitmap = MakeArgbBitmap(width, height, color);
  std::string bytes = EncodeImage(bitmap, mime);
  gp::GdipDisposeImage(bitmap);
  return bytes;
}

inline void Put16(std::string& out, unsigned value) {
  out.push_back(char(value & 0xFF));
  out.push_back(char((value >> 8) & 0xFF));
}
inline void Put32(std::string& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// An animated GIF of |delays|.size() frames over a four-colour palette;
// frame i is filled with palette entry (i % 4). Delays in hundredths of a
// second, as stored in the file.
inline std::string MakeAnimatedGif(int width, int height, const std::vector<unsigned>& delays) {
  std::string gif = "GIF89a";
  Put16(gif, width);
  Put16(gif, height);
  gif += char(0xF1);  // global table of 4 entries
  gif += char(0);
  gif += char(0);
  const unsigned char palette[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  gif.append(reinterpret_cast<const char*>(palette), sizeof(palette));
  gif += "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
  Put16(gif, 0);
  gif += char(0);
  for (size_t frame = 0; frame < delays.size(); ++frame) {
    gif += "\x21\xF9\x04";
    gif += char(0);
    Put16(gif, delays[frame]);
    gif += char(0);
    gif += char(0);
    gif += char(0x2C);
    Put16(gif, 0);
    Put16(gif, 0);
    Put16(gif, width);
    Put16(gif, height);
    gif += char(0);
    gif += char(2);  // minimum code size
    // Three-bit codes; a clear code before every second pixel keeps the
    // code width from growing, so no compression logic is needed.
    std::vector<unsigned> codes;
    const int pixels = width * height;
    for (int i = 0; i < pixels; ++i) {
      if (i % 2 == 0) codes.push_back(4);
      codes.push_back(static_cast<unsigned>(frame % 4));
    }
    codes.push_back(5);
    std::string data;
    uint32_t bits = 0;
    int bit_count = 0;
    for (unsigned code : codes) {
      bits |= code << bit_count;
      bit_count += 3;
      while (bit_count >= 8) {
        data += char(bits & 0xFF);
        bits >>= 8;
        bit_count -= 8;
      }
    }
    if (bit_count > 0) data += char(bits & 0xFF);
    for (size_t pos = 0; pos < data.size(); pos += 255) {
      const size_t chunk = std::min<size_t>(255, data.size() - pos);
      gif += char(chunk);
      gif += data.substr(pos, chunk);
    }
    gif += char(0);
  }
  gif += char(0x3B);
  return gif;
}

// A single-image icon holding a 32-bit DIB of |color| (non-premultiplied).
inline std::string MakeIcon(int size, const std::function<uint32_t(int, int)>& color) {
  const uint32_t mask_row = ((size + 31) / 32) * 4;
  const uint32_t pixel_bytes = size * size * 4;
  const uint32_t image_bytes = 40 + pixel_bytes + mask_row * size;
  std::string ico;
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, 1);
  ico += char(size);
  ico += char(size);
  ico += char(0);
  ico += char(0);
  Put16(ico, 1);
  Put16(ico, 32);
  Put32(ico, image_bytes);
  Put32(ico, 22);
  Put32(ico, 40);
  Put32(ico, size);
  Put32(ico, size * 2);
  Put16(ico, 1);
  Put16(ico, 32);
  Put32(ico, 0);
  Put32(ico, pixel_bytes + mask_row * size);
  Put32(ico, 0);
  Put32(ico, 0);
  Put32(ico, 0);
  Put32(ico, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) Put32(ico, color(x, y));
  }
  ico.append(mask_row * size, '\0');
  return ico;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == bytes.size();
}

// Saves the surface as TARNWELL_SCREENSHOT_DIR\<name> (a PNG) for people to
// look at. The surface is handed over: the context has none afterwards.
// Returns the encoded bytes, empty on failure.
inline std::string SaveScreenshot(IRenderContext& context, const wchar_t* name) {
  context.RepairAlpha(Rect(0, 0, context.GetWidth(), context.GetHeight()), Rect(), 0);
  HBITMAP surface = context.TakeBitmap();
  Gdiplus::GpBitmap* picture = nullptr;
  std::string png;
  if (gp::GdipCreateBitmapFromHBITMAP(surface, nullptr, &picture) == Gdiplus::Ok) {
    png = EncodeImage(picture, L"image/png");
    gp::GdipDisposeImage(picture);
  }
  ::DeleteObject(surface);
  const std::wstring folder = L"" TARNWELL_SCREENSHOT_DIR;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  if (png.empty() || !WriteFileBytes(folder + L"\\" + name, png)) return std::string();
  return png;
}

// A fresh folder under the temp directory, ending in a separator.
inline std::wstring MakeTempFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + name + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

}  // namespace test
}  // namespace ui
