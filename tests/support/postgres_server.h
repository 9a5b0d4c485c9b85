#pragma once

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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
    const std::string bin = binDir();
    if (bin.empty()) {
      why_ =
          "PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb; Debian: postgresql)";
      return;
    }
    if (geteuid() == 0) {
      const passwd* account = getpwnam("postgres");
      if (account == nullptr) {
        why_ = "running as root and there is no 'postgres' account to run the server as";
        return;
      }
      asUser_ = "runuser -u postgres -- ";
      owner_ = std::to_string(account->pw_uid) + ":" + std::to_string(account->pw_gid);
    }
    char pattern[] = "/tmp/qrk-pg-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
      why_ = "cannot make a temporary folder";
      return;
    }
    dir_ = pattern;
    if (!owner_.empty() && !shell("chown " + owner_ + " " + dir_)) return;
    port_ = 20000 + static_cast<int>(getpid() % 20000);
    const std::string data = dir_ + "/data";
    if (!shell(asUser_ + bin + "/initdb -D " + data + " -U " + kUser +
               " --auth=trust --no-sync -E UTF8 --locale=C")) {
      return;
    }
    started_ = shell(
        asUser_ + bin + "/pg_ctl -D " + data + " -l " + dir_ +
        "/server.log -w -t 60 -o \"-c listen_addresses='' -c unix_socket_directories=" + dir_ +
        " -p " + std::to_string(port_) + " -c fsync=off\" start");
    if (!started_) why_ += "\n" + readLog();
  }
  ~PostgresServer() {
    if (started_) {
      shell(asUser_ + binDir() + "/pg_ctl -D " + dir_ + "/data -m immediate -w stop");
    }
    if (!dir_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(dir_, ignored);
    }
  }
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  bool running() const { return started_; }
  // Why the server is not running.
  const std::string& why() const { return why_; }
  // A new, empty database; false when it could not be made.
  bool createDatabase(const std::string& name) {
    return shell(asUser_ + binDir() + "/createdb -h " + dir_ + " -p " + std::to_string(port_) +
                 " -U " + kUser + " " + name);
  }
  // The address qrkprog takes for `database`: the user, the socket folder and the port.
  std::string url(const std::string& database) const {
    return "postgresql://" + std::string(kUser) + "@/" + database + "?host=" + dir_ +
           "&port=" + std::to_string(port_);
  }

  // The newest installed server's programs, or empty.
  static std::string binDir() {
    std::vector<std::string> found;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ignored)) {
      if (std::filesystem::exists(entry.path() / "bin/initdb"))
        found.push_back(entry.path() / "bin");
    }
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
      return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return found.empty() ? std::string() : found.back();
  }

 private:
  bool shell(const std::string& command) {
    const std::string logged =
        command + " >>" + (dir_.empty() ? "/dev/null" : dir_ + "/setup.log") + " 2>&1";
    if (std::system(logged.c_str()) == 0) return true;
    why_ = "'" + command + "' failed";
    return false;
  }
  std::string readLog() const {
    std::ifstream in(dir_ + "/server.log");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::string dir_;
  std::string asUser_;
  std::string owner_;
  int port_ = 0;
  bool started_ = false;
  std::string why_;
};

}  // namespace qrk::test
