#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/core/rect.h"

namespace ui {

// What drawing produced once and reproduces exactly: the pixels of a text
// run, an outline or a stretched picture, and the measures of texts. A
// repaint of an unchanged label or background copies them instead of
// laying out, rasterising or stretching again. A key holds everything the
// result depends on, so an entry is never stale, only unused; the least
// recently used go first once the cache is full.
class PixelCache {
 public:
  struct Block {
    // Where the pixels go, relative to the point the drawing is anchored at.
    Rect bounds;
    // Premultiplied BGRA, bounds.Width() to a row.
    std::vector<uint32_t> pixels;
  };

  // Builds a key from the values a result depends on.
  class Key {
   public:
    explicit Key(wchar_t kind) { text_.push_back(kind); }
    Key& Add(int32_t value);
    // Rectangle edges and sizes are the platform's LONG.
    Key& Add(long value) { return Add(static_cast<int32_t>(value)); }
    Key& Add(uint32_t value);
    Key& Add(const std::wstring& value);
    Key& AddBytes(const void* data, size_t size);
    const std::wstring& text() const { return text_; }

   private:
    std::wstring text_;
  };

  static constexpr size_t kMaxBlockBytes = 32u << 20;
  static constexpr size_t kMaxBlocks = 4096;
  static constexpr size_t kMaxMeasures = 4096;

  // The calling thread's cache: drawing belongs to the thread that owns
  // the surface, and nothing here is locked.
  static PixelCache& Current();

  const Block* FindBlock(const Key& key);
  // The stored block, valid until the next insertion. A block larger than
  // the whole cache is refused.
  const Block* InsertBlock(const Key& key, Block block);
  bool FindMeasure(const Key& key, Rect* measure);
  void InsertMeasure(const Key& key, const Rect& measure);

  void Clear();
  size_t block_count() const { return blocks_.size(); }
  size_t block_bytes() const { return block_bytes_; }

 private:
  // Most recently used first; the index points into the list's keys.
  template <typename Value>
  struct Lru {
    using Entry = std::pair<std::wstring, Value>;
    std::list<Entry> entries;
    std::unordered_map<std::wstring_view, typename std::list<Entry>::iterator> index;

    Value* Find(const std::wstring& key);
    Value* Insert(const std::wstring& key, Value value);
    void Erase(const std::wstring& key);
    void PopOldest();
    size_t size() const { return entries.size(); }
    void Clear() {
      index.clear();
      entries.clear();
    }
  };

  static size_t BytesOf(const Block& block) { return block.pixels.size() * 4 + sizeof(Block); }

  Lru<Block> blocks_;
  Lru<Rect> measures_;
  size_t block_bytes_ = 0;
};

}  // namespace ui
