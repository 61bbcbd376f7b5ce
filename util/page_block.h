// PageBlock: an uninitialised byte buffer taken from the system in whole
// pages, for the large blocks a load keeps (a database file's bytes, the
// table of n-gram weights). A block of HUGE_PAGE_BYTES or more starts on
// a huge-page boundary, is rounded up to whole huge pages and asks the
// kernel for huge pages: on virtual machines a fresh 4 KiB page can cost
// several microseconds to fault in, so a 20 MB buffer of small pages took
// longer than reading the file into it. Smaller blocks take plain pages.
// A copy has blocks of its own; the memory goes back to the system with
// the block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace letterfreq {

constexpr size_t HUGE_PAGE_BYTES = size_t{2} << 20;

class PageBlock {
 public:
  PageBlock() = default;
  // `size` uninitialised bytes; std::bad_alloc when the system has none.
  explicit PageBlock(size_t size);
  ~PageBlock();
  PageBlock(PageBlock&& other) noexcept;
  PageBlock& operator=(PageBlock&& other) noexcept;
  PageBlock(const PageBlock& other);
  PageBlock& operator=(const PageBlock& other);

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

  // Shrinks to `size` bytes, or grows to it keeping the bytes it holds
  // (the new ones uninitialised; std::bad_alloc as above, the block
  // unchanged). Growing takes room for about half as much again, so
  // growing by small steps copies each byte only a few times.
  void resize(size_t size);
  // Appends [first, last) as resize does.
  void append(const uint8_t* first, const uint8_t* last);

 private:
  void release();

  uint8_t* data_ = nullptr;  // the start of the mapping
  size_t capacity_ = 0;      // the bytes mapped
  size_t size_ = 0;
};

}  // namespace letterfreq
