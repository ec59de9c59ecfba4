#include "ui/render/pixel_cache.h"

#include <gtest/gtest.h>

#include <string>

namespace ui {
namespace {

PixelCache::Block BlockOf(size_t pixels, uint32_t value) {
  PixelCache::Block block;
  block.bounds = Rect(0, 0, static_cast<int>(pixels), 1);
  block.pixels.assign(pixels, value);
  return block;
}

TEST(PixelCache, KeysTellTheirPartsApart) {
  PixelCache cache;
  cache.InsertBlock(PixelCache::Key(L'T').Add(std::wstring(L"ab")).Add(std::wstring(L"c")), BlockOf(1, 1));
  cache.InsertBlock(PixelCache::Key(L'T').Add(std::wstring(L"a")).Add(std::wstring(L"bc")), BlockOf(1, 2));
  cache.InsertBlock(PixelCache::Key(L'R').Add(std::wstring(L"ab")).Add(std::wstring(L"c")), BlockOf(1, 3));
  cache.InsertBlock(PixelCache::Key(L'T').Add(-1), BlockOf(1, 4));
  cache.InsertBlock(PixelCache::Key(L'T').Add(0xFFFFu).Add(0xFFFFu), BlockOf(1, 5));
  const uint8_t odd[3] = {1, 2, 3};
  cache.InsertBlock(PixelCache::Key(L'S').AddBytes(odd, 3), BlockOf(1, 6));
  EXPECT_EQ(6u, cache.block_count());
  const PixelCache::Block* found = cache.FindBlock(PixelCache::Key(L'T').Add(std::wstring(L"a")).Add(std::wstring(L"bc")));
  ASSERT_NE(nullptr, found);
  EXPECT_EQ(2u, found->pixels[0]);
  found = cache.FindBlock(PixelCache::Key(L'S').AddBytes(odd, 3));
  ASSERT_NE(nullptr, found);
  EXPECT_EQ(6u, found->pixels[0]);
  EXPECT_EQ(nullptr, cache.FindBlock(PixelCache::Key(L'S').AddBytes(odd, 2)));

  // The same key again replaces the entry.
  cache.InsertBlock(PixelCache::Key(L'T').Add(-1), BlockOf(2, 7));
  EXPECT_EQ(6u, cache.block_count());
  EXPECT_EQ(7u, cache.FindBlock(PixelCache::Key(L'T').Add(-1))->pixels[1]);

  Rect measure;
  EXPECT_FALSE(cache.FindMeasure(PixelCache::Key(L'M'), &measure));
  cache.InsertMeasure(PixelCache::Key(L'M'), Rect(1, 2, 3, 4));
  ASSERT_TRUE(cache.FindMeasure(PixelCache::Key(L'M'), &measure));
  EXPECT_EQ(Rect(1, 2, 3, 4), measure);
  cache.Clear();
  EXPECT_EQ(0u, cache.block_count());
  EXPECT_EQ(0u, cache.block_bytes());
  EXPECT_FALSE(cache.FindMeasure(PixelCache::Key(L'M'), &measure));
}

TEST(PixelCache, StaysWithinItsBytesDroppingTheLeastRecentlyUsed) {
  PixelCache cache;
  const size_t quarter = PixelCache::kMaxBlockBytes / 4 / 4;  // pixels in a quarter of the budget
  for (int i = 0; i < 3; ++i) cache.InsertBlock(PixelCache::Key(L'B').Add(i), BlockOf(quarter, i));
  // Using the first makes the second the oldest.
  ASSERT_NE(nullptr, cache.FindBlock(PixelCache::Key(L'B').Add(0)));
  cache.InsertBlock(PixelCache::Key(L'B').Add(3), BlockOf(quarter, 3));
  cache.InsertBlock(PixelCache::Key(L'B').Add(4), BlockOf(quarter, 4));
  EXPECT_LE(cache.block_bytes(), PixelCache::kMaxBlockBytes);
  EXPECT_EQ(nullptr, cache.FindBlock(PixelCache::Key(L'B').Add(1)));
  EXPECT_NE(nullptr, cache.FindBlock(PixelCache::Key(L'B').Add(0)));
  EXPECT_NE(nullptr, cache.FindBlock(PixelCache::Key(L'B').Add(4)));

  // A block larger than the whole cache is refused and pushes nothing out.
  const size_t count = cache.block_count();
  EXPECT_EQ(nullptr, cache.InsertBlock(PixelCache::Key(L'B').Add(5), BlockOf(PixelCache::kMaxBlockBytes / 4 + 1, 5)));
  EXPECT_EQ(count, cache.block_count());
}

}  // namespace
}  // namespace ui
