// The application's record schema: how languages, entries and the entries'
// arrays are stored as records of the database file. Every record the
// application writes has no fields, exactly one link (target = parent,
// kind = what the record is) and a data block:
//
//   record       link target          link kind         data block
//   language     LANGUAGE_ROOT        KIND_MEMBER       name + NUL
//   entry        language record id   KIND_MEMBER       name + NUL
//   source       entry record id      KIND_SOURCE       sample text + NUL
//   Count Array  entry record id      KIND_COUNT_ARRAY  255 x int32 LE
//   Sort Array   entry record id      KIND_SORT_ARRAY   order, no 0 at end
//   n-gram list  entry record id      KIND_NGRAM_LIST   bucket counts
//   N-gram Table entry record id      KIND_NGRAM_TABLE  word and n-gram counts
//   code         entry record id      KIND_LANGUAGE_CODE  tag + NUL
//
// The n-gram list (profiles/ngram_record.h) and the N-gram Table
// (profiles/ngram_table_record.h) are written after the Sort Array only to a
// database that already has one of their kind, or when asked; programs that
// read only the first five kinds never query them. So is a code record,
// written after an entry's other records when it was added with a language
// code (profiles/language_codes.h); the language takes the code of its
// latest entry that has one.
//
// Nothing derived (totals, frequencies, deviations) is stored; every load
// computes it again.
#pragma once

#include <cstdint>

namespace letterfreq {

// Link target of every language record. No record carries this id (ids
// start at 257); it only groups the languages.
constexpr uint32_t LANGUAGE_ROOT = 2;

// Link kinds.
constexpr uint16_t KIND_MEMBER = 1;  // language -> root, entry -> language
constexpr uint16_t KIND_COUNT_ARRAY = 5;
constexpr uint16_t KIND_SORT_ARRAY = 6;
constexpr uint16_t KIND_SOURCE = 7;
constexpr uint16_t KIND_NGRAM_LIST = 8;
constexpr uint16_t KIND_NGRAM_TABLE = 9;
constexpr uint16_t KIND_LANGUAGE_CODE = 10;

// A Count Array holds the counts of byte values 0..254 as 32-bit integers.
constexpr uint32_t COUNT_ARRAY_BYTES = 1020;
// A Sort Array is written with at most 254 bytes; readers accept 255, one
// per slot of a profile's order list.
constexpr uint32_t SORT_ARRAY_MAX_BYTES = 255;

}  // namespace letterfreq
