// The buckets of the 2-, 3- and 4-gram windows ending at each byte of a
// run, found in AVX2 lanes ahead of the counting where the processor has
// them, eight positions at once: each window's hash extends the one a byte
// shorter ending a position before, shifted in by one lane. NgramCounter
// writes the buckets of a few blocks to a small array and then adds them
// to its counts; elsewhere it hashes one byte at a time as it counts, with
// the same counts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace letterfreq {

namespace ngram_buckets {

// Positions per block of the array.
constexpr size_t BLOCK = 16;

// The hashes of the windows ending at the last byte before a run: of its
// one byte, two bytes and three bytes.
struct WindowHashes {
  uint32_t one;
  uint32_t two;
  uint32_t three;
};

// Whether find() runs on this processor.
bool available();

// Writes the buckets of the windows ending at each of the `blocks * BLOCK`
// bytes to `buckets`, 3 * BLOCK for each block: position i of a block has
// its 2-gram bucket at i, its 3-gram at BLOCK + i and its 4-gram at
// 2 * BLOCK + i. `hashes` moves on to the end of the bytes. Only where
// available().
void find(const uint8_t* bytes, size_t blocks, WindowHashes& hashes,
          uint16_t* buckets);

}  // namespace ngram_buckets
}  // namespace letterfreq
