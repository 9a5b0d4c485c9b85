#pragma once

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "support/temp_files.h"

namespace qrk::test {

// A PostgreSQL server of the test's own: a fresh cluster in a temporary
// folder, listening on a Unix socket in that folder only (no TCP port), with
// trust authentication for its one user. Stopped and removed when the object
// goes. The server refuses to run as root, so under root it runs as the
// "postgres" account that the Debian package creates.
class PostgresServer {
 public:
  static constexpr const char* kUser = "qrk";

  PostgresServer() {
    // The newest installed server's programs.
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ignored_)) {
      const std::string bin = entry.path() / "bin";
      if (std::filesystem::exists(bin + "/initdb") &&
          std::pair(bin.size(), bin) > std::pair(bin_.size(), bin_))
        bin_ = bin;
    }
    if (bin_.empty()) {
      why_ = "PostgreSQL is not installed (Debian: postgresql)";
      return;
    }
    if (geteuid() == 0) {
      const passwd* account = getpwnam("postgres");
      if (account == nullptr ||
          !shell("chown " + std::to_string(account->pw_uid) + " " + dir_.root)) {
        why_ = "running as root and cannot hand the folder to 'postgres'";
        return;
      }
      asUser_ = "runuser -u postgres -- ";
    }
    port_ = std::to_string(20000 + getpid() % 20000);
    started_ =
        shell(asUser_ + bin_ + "/initdb -D " + dir_.path("data") + " -U " + kUser +
              " --auth=trust --no-sync -E UTF8 --locale=C") &&
        shell(asUser_ + bin_ + "/pg_ctl -D " + dir_.path("data") + " -l " +
              dir_.path("server.log") + " -w -t 60 -o \"-c listen_addresses='' " +
              "-c unix_socket_directories=" + dir_.root + " -p " + port_ + " -c fsync=off\" start");
    if (!started_) why_ += "\n" + readFile(dir_.path("server.log"));
  }
  ~PostgresServer() {
    if (started_) shell(asUser_ + bin_ + "/pg_ctl -D " + dir_.path("data") + " -m immediate stop");
  }
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  bool running() const { return started_; }
  // Why the server is not running.
  const std::string& why() const { return why_; }
  // A new, empty database; false when it could not be made.
  bool createDatabase(const std::string& name) {
    return shell(asUser_ + bin_ + "/createdb -h " + dir_.root + " -p " + port_ + " -U " + kUser +
                 " " + name);
  }
  // The address qrkprog takes for `database`: the user, the socket folder and the port.
  std::string url(const std::string& database) const {
    return "postgresql://" + std::string(kUser) + "@/" + database + "?host=" + dir_.root +
           "&port=" + port_;
  }

 private:
  bool shell(const std::string& command) {
    if (std::system((command + " >>" + dir_.path("setup.log") + " 2>&1").c_str()) == 0) return true;
    why_ = "'" + command + "' failed";
    return false;
  }

  std::error_code ignored_;
  TempDir dir_;
  std::string bin_, asUser_, port_;
  bool started_ = false;
  std::string why_;
};

}  // namespace qrk::test
