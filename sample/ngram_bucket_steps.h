// The steps of the SIMD lanes of sample/ngram_buckets.h: included by
// sample/ngram_buckets.cpp inside its target region, after it defines its
// Lanes. Lanes gives Vector, WIDTH (positions per vector, a
// divisor of BLOCK) and:
//   load(bytes)              WIDTH bytes, one a lane
//   broadcast(hash)          every lane `hash`
//   times(v)                 each lane times the FNV-1a prime
//   xorOf(a, b)
//   shiftIn(v, before)       lane i: v[i - 1]; lane 0: before's last lane
//   storeBuckets(out, v)     the bucket of each lane's hash as 16 bits
//   lastLane(v)
#pragma once

#include "sample/ngram_buckets.h"
#include "sample/ngram_counter.h"

namespace letterfreq {
namespace ngram_buckets {

// Each lane's window extended by its byte: the windows a byte shorter end a
// position before, the first lane's in the last lane of `shorterBefore`.
template <class Lanes>
typename Lanes::Vector extend(typename Lanes::Vector shorter,
                              typename Lanes::Vector shorterBefore,
                              typename Lanes::Vector bytes) {
  return Lanes::times(
      Lanes::xorOf(Lanes::shiftIn(shorter, shorterBefore), bytes));
}

template <class Lanes>
void findInLanes(const uint8_t* bytes, size_t blocks, WindowHashes& hashes,
                 uint16_t* buckets) {
  using Vector = typename Lanes::Vector;
  // Only the last lane of these is read: the windows ending before.
  Vector one = Lanes::broadcast(hashes.one);
  Vector two = Lanes::broadcast(hashes.two);
  Vector three = Lanes::broadcast(hashes.three);
  const Vector basis = Lanes::broadcast(FNV1A_BASIS);
  for (size_t k = 0; k < blocks; ++k, buckets += 3 * BLOCK) {
    for (size_t at = 0; at < BLOCK; at += Lanes::WIDTH, bytes += Lanes::WIDTH) {
      const Vector block = Lanes::load(bytes);
      const Vector first = Lanes::times(Lanes::xorOf(basis, block));
      const Vector gram2 = extend<Lanes>(first, one, block);
      const Vector gram3 = extend<Lanes>(gram2, two, block);
      const Vector gram4 = extend<Lanes>(gram3, three, block);
      Lanes::storeBuckets(buckets + at, gram2);
      Lanes::storeBuckets(buckets + BLOCK + at, gram3);
      Lanes::storeBuckets(buckets + 2 * BLOCK + at, gram4);
      one = first;
      two = gram2;
      three = gram3;
    }
  }
  hashes = {Lanes::lastLane(one), Lanes::lastLane(two), Lanes::lastLane(three)};
}

}  // namespace ngram_buckets
}  // namespace letterfreq
