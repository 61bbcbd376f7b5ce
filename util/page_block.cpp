#include "util/page_block.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace letterfreq {

namespace {

size_t roundUp(size_t size, size_t unit) {
  return (size + unit - 1) / unit * unit;
}

}  // namespace

PageBlock::PageBlock(size_t size) {
  if (size == 0) return;
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  const bool huge = size >= HUGE_PAGE_BYTES;
  const size_t unit = huge ? HUGE_PAGE_BYTES : page;
  if (size > SIZE_MAX - 2 * unit) throw std::bad_alloc();
  const size_t length = roundUp(size, unit);
  // A huge block is mapped one huge page longer so that it can start on
  // a huge-page boundary; the pieces around it go back at once.
  const size_t mapped = huge ? length + HUGE_PAGE_BYTES : length;
  void* mapping = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) throw std::bad_alloc();
  auto* start = static_cast<uint8_t*>(mapping);
  if (huge) {
    const auto address = reinterpret_cast<uintptr_t>(start);
    const size_t head = roundUp(address, HUGE_PAGE_BYTES) - address;
    if (head > 0) ::munmap(start, head);
    if (HUGE_PAGE_BYTES - head > 0) {
      ::munmap(start + head + length, HUGE_PAGE_BYTES - head);
    }
    start += head;
    // Only a request: without huge pages the block works as well.
    (void)::madvise(start, length, MADV_HUGEPAGE);
  }
  data_ = start;
  capacity_ = length;
  size_ = size;
}

PageBlock::~PageBlock() { release(); }

PageBlock::PageBlock(const PageBlock& other) : PageBlock(other.size_) {
  if (size_ > 0) std::memcpy(data_, other.data_, size_);
}

PageBlock& PageBlock::operator=(const PageBlock& other) {
  if (this != &other) *this = PageBlock(other);
  return *this;
}

PageBlock::PageBlock(PageBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      size_(std::exchange(other.size_, 0)) {}

PageBlock& PageBlock::operator=(PageBlock&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

void PageBlock::release() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
  data_ = nullptr;
  capacity_ = 0;
  size_ = 0;
}

void PageBlock::resize(size_t size) {
  if (size <= capacity_) {
    size_ = size;
    return;
  }
  PageBlock larger(size > SIZE_MAX / 3 ? size : std::max(size, size_ / 2 * 3));
  if (size_ > 0) std::memcpy(larger.data_, data_, size_);
  larger.size_ = size;
  *this = std::move(larger);
}

void PageBlock::append(const uint8_t* first, const uint8_t* last) {
  const size_t count = static_cast<size_t>(last - first);
  if (count == 0) return;
  if (count > SIZE_MAX - size_) throw std::bad_alloc();
  const size_t at = size_;
  resize(size_ + count);
  std::memcpy(data_ + at, first, count);
}

}  // namespace letterfreq
