#pragma once
// Keeps the large blocks a run frees for the next run: included by one fuzz
// target only, where it replaces the global operator new and delete.
//
// An engine holds half a dozen full-screen pictures of 1.2 MB. Memory that
// fresh comes from the system page by page, and on the machines we fuzz on
// those page faults took more time than the whole script. Blocks of 256 KiB
// and more are kept when freed and given out again for the same size; while
// kept they are poisoned, so ASan still reports any use of a freed picture.
// What is lost: a stale pointer into a block already given out again, and the
// new/delete[] mismatch check, go unseen in this target.
#include <sanitizer/allocator_interface.h>
#include <sanitizer/asan_interface.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace korvana::fuzz {

class BlockCache {
 public:
  static void* Take(std::size_t n) {
    if (n >= kLarge) {
      Lock lock;
      for (int i = 0; i < count_; ++i) {
        if (blocks_[i].size != n) continue;
        void* p = blocks_[i].p;
        blocks_[i] = blocks_[--count_];
        ASAN_UNPOISON_MEMORY_REGION(p, n);
        return p;
      }
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
  }
  static void Give(void* p) noexcept {
    if (!p) return;
    const std::size_t n = __sanitizer_get_allocated_size(p);
    if (n >= kLarge) {
      Lock lock;
      if (count_ < kSlots) {
        ASAN_POISON_MEMORY_REGION(p, n);
        blocks_[count_++] = {p, n};
        return;
      }
    }
    std::free(p);
  }

 private:
  static constexpr std::size_t kLarge = 256 * 1024;
  static constexpr int kSlots = 64;
  struct Block {
    void* p;
    std::size_t size;
  };
  // libFuzzer's own threads allocate too.
  struct Lock {
    Lock() {
      while (busy_.test_and_set(std::memory_order_acquire)) {
      }
    }
    ~Lock() { busy_.clear(std::memory_order_release); }
  };
  static inline std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
  static inline Block blocks_[kSlots] = {};
  static inline int count_ = 0;
};

}  // namespace korvana::fuzz

void* operator new(std::size_t n) {
  return korvana::fuzz::BlockCache::Take(n);
}
void* operator new[](std::size_t n) {
  return korvana::fuzz::BlockCache::Take(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return korvana::fuzz::BlockCache::Take(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
  return operator new(n, t);
}
void operator delete(void* p) noexcept {
  korvana::fuzz::BlockCache::Give(p);
}
void operator delete[](void* p) noexcept {
  korvana::fuzz::BlockCache::Give(p);
}
void operator delete(void* p, std::size_t) noexcept {
  korvana::fuzz::BlockCache::Give(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  korvana::fuzz::BlockCache::Give(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  korvana::fuzz::BlockCache::Give(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  korvana::fuzz::BlockCache::Give(p);
}
