#include "ui/render/pixel_cache.h"

#include <cstring>

namespace ui {

PixelCache::Key& PixelCache::Key::Add(int32_t value) { return Add(static_cast<uint32_t>(value)); }

PixelCache::Key& PixelCache::Key::Add(uint32_t value) {
  text_.push_back(static_cast<wchar_t>(value & 0xFFFF));
  text_.push_back(static_cast<wchar_t>(value >> 16));
  return *this;
}

PixelCache::Key& PixelCache::Key::Add(const std::wstring& value) {
  // The length first, so that no two lists of texts make the same key.
  Add(static_cast<uint32_t>(value.size()));
  text_.append(value);
  return *this;
}

PixelCache::Key& PixelCache::Key::AddBytes(const void* data, size_t size) {
  Add(static_cast<uint32_t>(size));
  const size_t start = text_.size();
  text_.resize(start + (size + 1) / 2, L'\0');
  std::memcpy(&text_[start], data, size);
  return *this;
}

PixelCache& PixelCache::Current() {
  thread_local PixelCache cache;
  return cache;
}

template <typename Value>
Value* PixelCache::Lru<Value>::Find(const std::wstring& key) {
  auto it = index.find(key);
  if (it == index.end()) return nullptr;
  entries.splice(entries.begin(), entries, it->second);
  return &it->second->second;
}

template <typename Value>
Value* PixelCache::Lru<Value>::Insert(const std::wstring& key, Value value) {
  Erase(key);
  entries.emplace_front(key, std::move(value));
  index.emplace(std::wstring_view(entries.front().first), entries.begin());
  return &entries.front().second;
}

template <typename Value>
void PixelCache::Lru<Value>::Erase(const std::wstring& key) {
  auto it = index.find(key);
  if (it == index.end()) return;
  auto entry = it->second;
  index.erase(it);
  entries.erase(entry);
}

template <typename Value>
void PixelCache::Lru<Value>::PopOldest() {
  index.erase(std::wstring_view(entries.back().first));
  entries.pop_back();
}

const PixelCache::Block* PixelCache::FindBlock(const Key& key) { return blocks_.Find(key.text()); }

const PixelCache::Block* PixelCache::InsertBlock(const Key& key, Block block) {
  const size_t bytes = BytesOf(block);
  if (bytes > kMaxBlockBytes) return nullptr;
  if (const Block* old = blocks_.Find(key.text())) {
    block_bytes_ -= BytesOf(*old);
    blocks_.Erase(key.text());
  }
  while (!blocks_.entries.empty() &&
         (block_bytes_ + bytes > kMaxBlockBytes || blocks_.size() >= kMaxBlocks)) {
    block_bytes_ -= BytesOf(blocks_.entries.back().second);
    blocks_.PopOldest();
  }
  block_bytes_ += bytes;
  return blocks_.Insert(key.text(), std::move(block));
}

bool PixelCache::FindMeasure(const Key& key, Rect* measure) {
  const Rect* found = measures_.Find(key.text());
  if (!found) return false;
  *measure = *found;
  return true;
}

void PixelCache::InsertMeasure(const Key& key, const Rect& measure) {
  while (measures_.size() >= kMaxMeasures) measures_.PopOldest();
  measures_.Insert(key.text(), measure);
}

void PixelCache::Clear() {
  blocks_.Clear();
  measures_.Clear();
  block_bytes_ = 0;
}

}  // namespace ui
