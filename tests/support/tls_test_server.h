// Test helper: tests/support/tls_server.py run by python3 on 127.0.0.1,
// with a certificate authority and three server certificates made by
// openssl in a private folder: one the authority signed for 127.0.0.1 and
// localhost, one it signed for another name, and one another authority
// signed. Stopped and removed on destruction. Not copyable.
#pragma once

#include <sys/types.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace testing {

class TlsTestServer {
 public:
  // Serves the files of `folder` (see tls_server.py for the other paths).
  explicit TlsTestServer(const std::string& folder);
  ~TlsTestServer();
  TlsTestServer(const TlsTestServer&) = delete;
  TlsTestServer& operator=(const TlsTestServer&) = delete;

  // Empty when the server runs; else why not. `missingTools` tells that
  // python3 (with ssl) or openssl is not installed, so the test skips.
  const std::string& problem() const { return problem_; }
  bool missingTools() const { return missingTools_; }

  // The authority's certificate, for SampleLimits::caFile.
  std::string caFile() const { return certs_.file("ca.pem"); }
  // https://127.0.0.1:PORT + path on the port of the trusted certificate,
  // the wrongly named one or the untrusted one.
  std::string url(const std::string& path) const;
  std::string wrongNameUrl(const std::string& path) const;
  std::string untrustedUrl(const std::string& path) const;

 private:
  bool makeCertificates();
  bool start(const std::string& folder);

  TempDir certs_;
  pid_t pid_ = -1;
  int ports_[3] = {0, 0, 0};
  std::string problem_;
  bool missingTools_ = false;
};

}  // namespace testing
}  // namespace letterfreq
