#include "engine/remote/frame_decoder.h"

#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves out the COM declarations the imaging headers need.
#include <objbase.h>
#include <wincodec.h>
#include <wincrypt.h>

#include <cstdlib>
#include <cstring>

namespace remote {
namespace decoder_memory {
void* Allocate(size_t size);
void* Reallocate(void* block, size_t size);
void Free(void* block);
}  // namespace decoder_memory
}  // namespace remote

#define STBI_MALLOC(size) remote::decoder_memory::Allocate(size)
#define STBI_REALLOC(block, size) remote::decoder_memory::Reallocate(block, size)
#define STBI_FREE(block) remote::decoder_memory::Free(block)
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_MINGW_ENABLE_SSE2
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

namespace remote {

namespace decoder_memory {

// The decoder's large blocks, kept from one picture for the next while a
// decoder decodes on this thread: under Wine a block of megabytes is fresh
// memory every time, a page fault for each of its pages.
thread_local std::vector<void*>* t_spare_blocks = nullptr;

constexpr size_t kKeptFrom = 64 * 1024;
constexpr size_t kKeptBlocks = 8;

// Ahead of every block: its capacity, in 16 bytes so the block keeps the
// alignment the system gave.
struct alignas(16) Header {
  size_t capacity;
};

Header* HeaderOf(void* block) { return static_cast<Header*>(block) - 1; }

void* Allocate(size_t size) {
  if (t_spare_blocks && size >= kKeptFrom) {
    std::vector<void*>& spare = *t_spare_blocks;
    for (size_t i = 0; i < spare.size(); ++i) {
      const size_t capacity = HeaderOf(spare[i])->capacity;
      if (capacity >= size && capacity / 2 <= size) {
        void* block = spare[i];
        spare.erase(spare.begin() + static_cast<std::ptrdiff_t>(i));
        return block;
      }
    }
  }
  if (size > SIZE_MAX - sizeof(Header)) return nullptr;
  auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
  if (!header) return nullptr;
  header->capacity = size;
  return header + 1;
}

void Release(void* block) { std::free(HeaderOf(block)); }

void Free(void* block) {
  if (!block) return;
  if (t_spare_blocks && HeaderOf(block)->capacity >= kKeptFrom) {
    std::vector<void*>& spare = *t_spare_blocks;
    if (spare.size() == kKeptBlocks) {
      Release(spare.front());
      spare.erase(spare.begin());
    }
    spare.push_back(block);
    return;
  }
  Release(block);
}

void* Reallocate(void* block, size_t size) {
  if (!block) return Allocate(size);
  const size_t capacity = HeaderOf(block)->capacity;
  if (capacity >= size) return block;
  void* grown = Allocate(size);
  if (!grown) return nullptr;
  std::memcpy(grown, block, capacity);
  Free(block);
  return grown;
}

// Lends the decoder's kept blocks to the allocation calls of one decoding.
class SpareBlocksInUse {
 public:
  explicit SpareBlocksInUse(std::vector<void*>* spare) : previous_(t_spare_blocks) { t_spare_blocks = spare; }
  ~SpareBlocksInUse() { t_spare_blocks = previous_; }
  SpareBlocksInUse(const SpareBlocksInUse&) = delete;
  SpareBlocksInUse& operator=(const SpareBlocksInUse&) = delete;

 private:
  std::vector<void*>* previous_;
};

}  // namespace decoder_memory

namespace {

// Releases one COM interface pointer.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  T** put() {
    reset();
    return &pointer_;
  }
  void reset() {
    if (pointer_) pointer_->Release();
    pointer_ = nullptr;
  }

 private:
  T* pointer_ = nullptr;
};

bool DecodeBase64(const std::string& text, std::vector<BYTE>* bytes) {
  if (text.empty() || text.size() > 0x7FFFFFFF) return false;
  DWORD size = 0;
  if (!::CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, nullptr, &size,
                              nullptr, nullptr) ||
      size == 0) {
    return false;
  }
  bytes->resize(size);
  return ::CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, bytes->data(), &size,
                                nullptr, nullptr) != FALSE;
}

// JPEG pictures, the browser's usual kind. The decoder converts colours
// with vector instructions only for four channels; red and blue then trade
// places a pixel at a time, into the frame's own buffer, which keeps what a
// previous picture of the same size left.
bool DecodeJpeg(const std::vector<BYTE>& bytes, PageFrame* frame) {
  if (bytes.size() > 0x7FFFFFFF) return false;
  int width = 0;
  int height = 0;
  int channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
      stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4),
      stbi_image_free);
  if (!rgba || width <= 0 || height <= 0 || width > FrameDecoder::kMaxSide || height > FrameDecoder::kMaxSide) {
    return false;
  }
  const size_t count = static_cast<size_t>(width) * height;
  frame->pixels.resize(count * 4);
  const uint8_t* from = rgba.get();
  uint8_t* to = frame->pixels.data();
  for (size_t i = 0; i < count; ++i) {
    uint32_t pixel;
    std::memcpy(&pixel, from + i * 4, 4);
    pixel = (pixel & 0xFF00FF00u) | ((pixel >> 16) & 0xFFu) | ((pixel & 0xFFu) << 16);
    std::memcpy(to + i * 4, &pixel, 4);
  }
  frame->width = width;
  frame->height = height;
  return true;
}

}  // namespace

FrameDecoder::FrameDecoder() {
  HRESULT started = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  com_started_ = SUCCEEDED(started);
  ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(&factory_));
}

FrameDecoder::~FrameDecoder() {
  for (void* block : spare_blocks_) decoder_memory::Release(block);
  if (factory_) factory_->Release();
  if (com_started_) ::CoUninitialize();
}

bool FrameDecoder::Decode(const std::string& base64, PageFrame* frame) {
  std::vector<BYTE> bytes;
  if (!DecodeBase64(base64, &bytes)) return false;
  const bool jpeg = bytes.size() > 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
  if (jpeg) {
    decoder_memory::SpareBlocksInUse spare(&spare_blocks_);
    return DecodeJpeg(bytes, frame);
  }
  if (!factory_) return false;
  ComPtr<IWICStream> stream;
  if (FAILED(factory_->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(bytes.data(), static_cast<DWORD>(bytes.size())))) {
    return false;
  }
  // Anything else must be PNG: no search through every decoder the system has.
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory_->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.put())) ||
      FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand))) {
    return false;
  }
  ComPtr<IWICBitmapFrameDecode> source;
  if (FAILED(decoder->GetFrame(0, source.put()))) return false;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(source->GetSize(&width, &height)) || width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    return false;
  }
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  WICPixelFormatGUID format = {};
  source->GetPixelFormat(&format);
  if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
    // Widening three bytes a pixel here is many times faster than the
    // platform's general converter.
    std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 3);
    if (FAILED(source->CopyPixels(nullptr, width * 3, static_cast<UINT>(rows.size()), rows.data()))) return false;
    const uint8_t* from = rows.data();
    uint8_t* to = pixels.data();
    for (size_t i = 0, count = static_cast<size_t>(width) * height; i < count; ++i, from += 3, to += 4) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
      to[3] = 0xFF;
    }
  } else {
    ComPtr<IWICBitmapSource> converted;
    if (FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source.get(), converted.put())) ||
        FAILED(converted->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data()))) {
      return false;
    }
  }
  frame->width = static_cast<int>(width);
  frame->height = static_cast<int>(height);
  frame->pixels = std::move(pixels);
  return true;
}

}  // namespace remote
