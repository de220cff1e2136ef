// Memory for the memory book's large arrays (the file it read, its line index): blocks of a
// megabyte or more are mapped from the system in transparent huge pages where it offers them,
// as touching tens of megabytes 4 KiB at a time costs more than reading the file; smaller ones
// come from the heap. Running out of memory ends the program, as with the standard allocator.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace big_memory {

constexpr size_t kBigBlock = size_t{1} << 20;
constexpr size_t kHugePage = size_t{2} << 20;

inline size_t Rounded(size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

inline void* Map(size_t bytes) {
  void* p =
      ::mmap(nullptr, Rounded(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) {
    std::fputs("rinu: out of memory\n", stderr);
    std::abort();
  }
  ::madvise(p, Rounded(bytes), MADV_HUGEPAGE);
  return p;
}

inline void Unmap(void* p, size_t bytes) { ::munmap(p, Rounded(bytes)); }

}  // namespace big_memory

template <class T>
struct BigAllocator {
  using value_type = T;
  BigAllocator() = default;
  template <class U>
  BigAllocator(const BigAllocator<U>&) {}

  T* allocate(size_t n) {
    if (n * sizeof(T) < big_memory::kBigBlock) return std::allocator<T>().allocate(n);
    return static_cast<T*>(big_memory::Map(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) {
    if (n * sizeof(T) < big_memory::kBigBlock) {
      std::allocator<T>().deallocate(p, n);
    } else {
      big_memory::Unmap(p, n * sizeof(T));
    }
  }
  template <class U>
  bool operator==(const BigAllocator<U>&) const {
    return true;
  }
};

// A byte buffer of a fixed size, not cleared, from BigAllocator.
class BigBytes {
 public:
  BigBytes() = default;
  explicit BigBytes(size_t size) : m_data(BigAllocator<char>().allocate(size + 1)), m_size(size) {}
  ~BigBytes() { Release(); }
  BigBytes(BigBytes&& other) noexcept
      : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)) {}
  BigBytes& operator=(BigBytes&& other) noexcept {
    if (this != &other) {
      Release();
      m_data = std::exchange(other.m_data, nullptr);
      m_size = std::exchange(other.m_size, 0);
    }
    return *this;
  }

  char* data() const { return m_data; }
  size_t size() const { return m_size; }

 private:
  void Release() {
    if (m_data) BigAllocator<char>().deallocate(m_data, m_size + 1);
    m_data = nullptr;
    m_size = 0;
  }
  char* m_data = nullptr;
  size_t m_size = 0;
};
