// The row arena. Blocks come in size classes of 8-byte steps; each class fills page blocks
// ("chunks") of its own, so a block's class is known from its chunk alone. Chunks start at
// 64 KiB and double up to the huge-page size, so a process with a few rows keeps little
// memory while a table of a million rows fills whole huge pages. Freed blocks go on their
// class's free list and serve the next rows of that size. When the last block is given back
// and the arena has grown large, every chunk returns to the system: unloading a big table
// gives its memory back.
#include "row_arena.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "platform/pages.h"

namespace corbel::dictionary {

namespace {

// Under AddressSanitizer every row stays a heap block of its own: the sanitizer then checks
// each row's bounds, and its leak checker follows the values that rows refer to (it neither
// guards nor looks into memory taken straight from the system).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kArenaServes = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kArenaServes = false;
#else
constexpr bool kArenaServes = true;
#endif
#else
constexpr bool kArenaServes = true;
#endif

constexpr std::size_t kStep = 8;
constexpr std::size_t kLargestBlock = 1024;
constexpr std::size_t kClassCount = kLargestBlock / kStep;
constexpr std::size_t kFirstChunk = std::size_t{64} << 10;
constexpr std::size_t kLargestChunk = ovr::sys::kHugePageSize;
// Below this an empty arena keeps its chunks: a loop that adds and removes one row must not
// map and unmap memory each time.
constexpr std::size_t kKeptWhenEmpty = std::size_t{4} << 20;

struct Chunk {
  char *base;
  std::size_t size;
  std::size_t classIndex;
};

struct SizeClass {
  void *freeList = nullptr;  // freed blocks, linked through their first bytes
  char *next = nullptr;      // the unused rest of the class's newest chunk
  char *end = nullptr;
  std::size_t nextChunkSize = kFirstChunk;
};

struct Arena {
  std::mutex mutex;
  std::vector<Chunk> chunks;  // sorted by base
  SizeClass classes[kClassCount];
  std::size_t liveBlocks = 0;
  std::size_t chunkBytes = 0;
};

// Never destroyed: rows may still be freed while static destructors run at exit.
Arena &TheArena() {
  static Arena *arena = new Arena;
  return *arena;
}

const Chunk *FindChunk(const Arena &arena, const void *block) {
  auto *p = static_cast<const char *>(block);
  auto after = std::upper_bound(arena.chunks.begin(), arena.chunks.end(), p,
                                [](const char *q, const Chunk &c) { return q < c.base; });
  if (after == arena.chunks.begin()) return nullptr;
  const Chunk &chunk = *(after - 1);
  return p < chunk.base + chunk.size ? &chunk : nullptr;
}

bool AddChunk(Arena &arena, SizeClass &sizeClass, std::size_t classIndex) {
  std::size_t size = sizeClass.nextChunkSize;
  auto *base = static_cast<char *>(ovr::sys::AllocatePages(size));
  if (base == nullptr) return false;
  try {
    auto at = std::upper_bound(arena.chunks.begin(), arena.chunks.end(), base,
                               [](const char *q, const Chunk &c) { return q < c.base; });
    arena.chunks.insert(at, Chunk{base, size, classIndex});
  } catch (const std::bad_alloc &) {
    ovr::sys::FreePages(base, size);
    return false;
  }
  arena.chunkBytes += size;
  sizeClass.next = base;
  sizeClass.end = base + size;
  sizeClass.nextChunkSize = std::min(size * 2, kLargestChunk);
  return true;
}

void ReleaseAllChunks(Arena &arena) {
  for (const Chunk &chunk : arena.chunks) ovr::sys::FreePages(chunk.base, chunk.size);
  arena.chunks.clear();
  arena.chunks.shrink_to_fit();
  for (SizeClass &sizeClass : arena.classes) sizeClass = SizeClass{};
  arena.chunkBytes = 0;
}

}  // namespace

void *AllocateRowBlock(std::size_t size) {
  if (!kArenaServes || size == 0 || size > kLargestBlock) return nullptr;
  std::size_t classIndex = (size - 1) / kStep;
  std::size_t blockSize = (classIndex + 1) * kStep;
  Arena &arena = TheArena();
  std::lock_guard<std::mutex> lock(arena.mutex);
  SizeClass &sizeClass = arena.classes[classIndex];
  void *block = sizeClass.freeList;
  if (block != nullptr) {
    sizeClass.freeList = *static_cast<void **>(block);
  } else {
    if (static_cast<std::size_t>(sizeClass.end - sizeClass.next) < blockSize &&
        !AddChunk(arena, sizeClass, classIndex))
      return nullptr;
    block = sizeClass.next;
    sizeClass.next += blockSize;
  }
  ++arena.liveBlocks;
  return block;
}

std::size_t RowBlockSize(const void *block) {
  if (block == nullptr) return 0;
  Arena &arena = TheArena();
  std::lock_guard<std::mutex> lock(arena.mutex);
  const Chunk *chunk = FindChunk(arena, block);
  return chunk != nullptr ? (chunk->classIndex + 1) * kStep : 0;
}

bool ReleaseRowBlock(void *block) {
  if (block == nullptr) return false;
  Arena &arena = TheArena();
  std::lock_guard<std::mutex> lock(arena.mutex);
  const Chunk *chunk = FindChunk(arena, block);
  if (chunk == nullptr) return false;
  SizeClass &sizeClass = arena.classes[chunk->classIndex];
  *static_cast<void **>(block) = sizeClass.freeList;
  sizeClass.freeList = block;
  if (--arena.liveBlocks == 0 && arena.chunkBytes > kKeptWhenEmpty) ReleaseAllChunks(arena);
  return true;
}

}  // namespace corbel::dictionary
