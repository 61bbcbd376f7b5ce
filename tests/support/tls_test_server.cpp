#include "tests/support/tls_test_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "tests/support/cli_harness.h"

extern char** environ;

namespace letterfreq {
namespace testing {

namespace {

constexpr int MISSING = 77;  // the script's status when a tool is missing

// $1 is the folder. EC keys: made in milliseconds.
constexpr const char* CERTIFICATE_SCRIPT = R"(set -e
command -v openssl >/dev/null || exit 77
command -v python3 >/dev/null || exit 77
python3 -c 'import ssl, http.server' 2>/dev/null || exit 77
cd "$1"
key="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
authority() {
  openssl req -x509 $key -keyout "$1.key" -out "$1.pem" -days 2 \
    -subj "/CN=letterfreq test $1" \
    -addext basicConstraints=critical,CA:TRUE \
    -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}
server() {
  openssl req -new $key -keyout "$1.key" -out "$1.csr" -subj "/CN=$1" \
    2>/dev/null
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' \
    "$3" >"$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" \
    -CAcreateserial -days 2 -extfile "$1.ext" -out "$1.pem" 2>/dev/null
}
authority ca
authority other-ca
server good ca IP:127.0.0.1,DNS:localhost
server wrong-name ca DNS:wrong.example
server untrusted other-ca IP:127.0.0.1,DNS:localhost
)";

}  // namespace

TlsTestServer::TlsTestServer(const std::string& folder) {
  if (makeCertificates()) start(folder);
}

TlsTestServer::~TlsTestServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

bool TlsTestServer::makeCertificates() {
  const CliResult made =
      runProgram("/bin/sh", {"-c", CERTIFICATE_SCRIPT, "sh", certs_.path()});
  if (made.status == 0) return true;
  missingTools_ = made.status == MISSING;
  problem_ = missingTools_ ? "python3 (with ssl) or openssl is not installed"
                           : "openssl failed: " + made.err;
  return false;
}

bool TlsTestServer::start(const std::string& folder) {
  const std::string script =
      std::string(LETTERFREQ_SOURCE_DIR) + "/tests/support/tls_server.py";
  const std::string portFile = certs_.file("ports");
  const char* argv[] = {"python3",        script.c_str(),
                        folder.c_str(),   certs_.path().c_str(),
                        portFile.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawnp(&pid_, "python3", &actions, nullptr,
                                   const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    problem_ = "python3 could not be started";
    return false;
  }
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream ports(portFile);
    if (ports >> ports_[0] >> ports_[1] >> ports_[2]) return true;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  problem_ = "tls_server.py did not start";
  return false;
}

std::string TlsTestServer::url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(ports_[0]) + path;
}

std::string TlsTestServer::wrongNameUrl(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(ports_[1]) + path;
}

std::string TlsTestServer::untrustedUrl(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(ports_[2]) + path;
}

}  // namespace testing
}  // namespace letterfreq
