// The bounds on reading one sample, and how a read ended. A sample source
// may be slow, endless or hostile (a server that sends a byte now and
// then, a FIFO nobody writes, /dev/zero): every reader takes a
// SampleLimits, reports its progress through a SampleProgress and tells
// how it ended in a SampleOutcome, so that its caller can warn, refuse or
// stop. Plain values; the cancel flag is owned by the caller and must
// outlive the read.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "sample/net_timeouts.h"

namespace letterfreq {

struct SampleLimits {
  // Connecting, name lookup included, gives up after this long.
  int connectMs = connectTimeoutMs;
  // A receive that waits this long for data ends the data.
  int idleMs = receiveTimeoutMs;
  // The whole fetch ends after this long (<= 0: no overall limit). Files,
  // devices and FIFOs are not bounded by it: only cancel ends them.
  int overallMs = DEFAULT_OVERALL_TIMEOUT_MS;
  // When set and it turns true, the read stops within CANCEL_POLL_MS.
  const std::atomic<bool>* cancel = nullptr;
  // https:// only: a PEM file of the certificate authorities to trust
  // instead of the system's store, with verification otherwise unchanged;
  // empty: the system's store. Only a test hook sets it.
  std::string caFile;

  bool cancelled() const { return cancel != nullptr && cancel->load(); }
};

// How often a waiting reader looks at the cancel flag.
constexpr int CANCEL_POLL_MS = 50;

// Bytes read from the source so far (an HTTP head included), and its
// size when known (a regular file), else -1. Called from the reading
// thread after each block.
using SampleProgress = std::function<void(uint64_t bytesRead, int64_t total)>;

// Why the data of a sample ended.
enum class SampleEnd {
  Complete,         // the end of the file, or the server closed
  ConnectionReset,  // the peer reset the connection
  ReceiveError,     // a receive or read failed
  IdleLimit,        // no data for SampleLimits::idleMs
  OverallLimit,     // SampleLimits::overallMs passed
  DecodedLimit,     // a compressed body decoded to more than its limit
  Cancelled,        // the cancel flag was set
};

struct SampleOutcome {
  SampleEnd end = SampleEnd::Complete;
  // Bytes of data that arrived: a file's bytes, or an HTTP response's body
  // (after its head), counted or not.
  uint64_t bodyBytes = 0;
  bool isHttp = false;  // an http:// or https:// address
  // Addresses only: the (last) response's first line without its line
  // end (at most STATUS_LINE_MAX bytes kept), empty when no byte came.
  std::string statusLine;
  bool headEnded = false;  // likewise: the empty line after the head came
  // Why the source could not be opened (a failed load only), e.g.
  // "connect: Connection refused"; empty when there is nothing to add.
  std::string failureReason;
  // Files only: the system's error (errno) that a failed load met opening
  // or reading the file; 0 for none.
  int fileError = 0;

  bool cutShort() const { return end != SampleEnd::Complete; }
  // True for a status line "HTTP/<version> 2xx ...".
  bool statusOk() const;
};

constexpr size_t STATUS_LINE_MAX = 200;

// "connection reset", "receive error", "idle time limit", "overall time
// limit", "cancelled"; "complete" for Complete.
const char* sampleEndText(SampleEnd end);

}  // namespace letterfreq
