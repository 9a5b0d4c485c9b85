#pragma once

#include <gmock/gmock.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_files.h"

namespace qrk::test {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

// How a child process ended, and everything it wrote.
struct ProcessResult {
  int exitCode = -1;      // 128 + the signal for a child that a signal ended
  bool timedOut = false;  // the harness killed it at its time limit
  std::string out;
  std::string err;
  double wallSeconds = 0;
};

inline std::string describe(const ProcessResult& r) {
  return "exit " + std::to_string(r.exitCode) + (r.timedOut ? " (timed out)" : "") +
         "\n--- stdout\n" + r.out + "--- stderr\n" + r.err.substr(0, 3000);
}

// One of this project's binaries, started with stdin on /dev/null and stdout
// and stderr kept apart. Every wait has a hard time limit, and a child still
// running when the object goes is killed, so that a failing test can never
// hang the suite.
class ChildProcess {
 public:
  // `args` are separated by spaces: no path in this suite holds one.
  ChildProcess(const std::string& binary, const std::string& args) {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("test_e2e"), nullptr};
    static QCoreApplication app(argc, argv);  // QProcess watches its pipes through Qt
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setChildProcessModifier([] {
      // Default signal handling, whatever the test runner set.
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      for (int s : {SIGINT, SIGTERM, SIGPIPE}) signal(s, SIG_DFL);
    });
    process_.start(QString::fromStdString(std::string(QRK_BIN_DIR) + "/" + binary),
                   QString::fromStdString(args).split(' ', Qt::SkipEmptyParts));
    process_.waitForStarted(10000);
    clock_.start();
  }
  ~ChildProcess() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  const std::string& out() const { return result_.out; }
  const std::string& err() const { return result_.err; }
  void sendSignal(int signalNumber) {
    if (process_.state() == QProcess::Running) ::kill(process_.processId(), signalNumber);
  }
  // Collects output until stdout holds `text`; false once `limit` passed or
  // the child ended without it.
  bool waitForOutput(const std::string& text, std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit.count());
    for (collect(); result_.out.find(text) == std::string::npos; collect()) {
      if (deadline.hasExpired() || process_.state() != QProcess::Running) return false;
      process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
    return true;
  }
  // Waits for the child's end and its last output; kills it at `limit`.
  ProcessResult wait(std::chrono::milliseconds limit) {
    if (!process_.waitForFinished(static_cast<int>(limit.count())) &&
        process_.state() != QProcess::NotRunning) {
      result_.timedOut = true;
      process_.kill();
      process_.waitForFinished(5000);
    }
    collect();
    if (process_.state() == QProcess::NotRunning && process_.error() != QProcess::FailedToStart) {
      // A child that a signal ended reports the signal as its exit code.
      result_.exitCode =
          process_.exitCode() + (process_.exitStatus() == QProcess::CrashExit ? 128 : 0);
      result_.wallSeconds = static_cast<double>(clock_.elapsed()) / 1000;
    }
    return result_;
  }

 private:
  void collect() {
    result_.out += process_.readAllStandardOutput().toStdString();
    result_.err += process_.readAllStandardError().toStdString();
  }

  QProcess process_;
  QElapsedTimer clock_;
  ProcessResult result_;
};

// `qrksim` serving a simulated chip on a pseudo-terminal, stopped when the
// object goes. A simulator that does not start fails the test.
class Simulator : public ChildProcess {
 public:
  explicit Simulator(const std::string& args) : ChildProcess("qrksim", args) {
    // Its first line names the port.
    if (waitForOutput("\n", 5s) && out().starts_with("PTY ")) {
      portPath_ = out().substr(4, out().find('\n') - 4);
    } else {
      ADD_FAILURE() << "qrksim " << args << " did not start: " << out() << err();
    }
  }
  ~Simulator() { stop(); }
  const std::string& portPath() const { return portPath_; }
  void stop() {
    sendSignal(SIGTERM);
    wait(3s);
  }

 private:
  std::string portPath_;
};

// Each test gets its own directory, which is also the settings home of what
// it starts, so that no run reads or writes the settings of the person
// running the suite.
class QrkprogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.made);
    setenv("HOME", dir_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
    setenv("XDG_DATA_HOME", path("data").c_str(), 1);  // the default production record
  }
  std::string path(const std::string& name) const { return temp_.path(name); }
  static ProcessResult run(const std::string& args) {
    return ChildProcess("qrkprog", args).wait(60s);
  }
  static ProcessResult run(const std::string& args, int expectedExit) {
    ProcessResult r = run(args);
    EXPECT_EQ(r.exitCode, expectedExit) << args << "\n" << describe(r);
    return r;
  }
  // Status 2 with `message`, and neither a run on stdout nor a frame in the trace.
  static void expectRefused(const std::string& args, const std::string& message) {
    SCOPED_TRACE(args);
    const ProcessResult r = run(args, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.err, HasSubstr(message));
    EXPECT_THAT(r.err, Not(HasSubstr("->")));
  }

  TempDir temp_;
  std::string dir_ = temp_.root;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every line of `out` as an event object of format version 1; a line that is
// not one fails the test.
inline std::vector<QJsonObject> jsonEvents(const std::string& out) {
  std::vector<QJsonObject> parsed;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    EXPECT_TRUE(document.isObject()) << "not a JSON object: " << line;
    if (!document.isObject()) continue;
    EXPECT_EQ(document.object().value("v").toInt(), 2) << line;
    parsed.push_back(document.object());
  }
  return parsed;
}

// Bytes that differ from their neighbours and from the erased state, the same
// on every call: an image whose every byte must reach the chip.
inline std::string pseudoRandomImage(std::size_t size) {
  std::string out(size, '\0');
  std::uint32_t x = 0x9E3779B9u;
  for (char& b : out) b = static_cast<char>((x = x * 1664525u + 1013904223u) >> 24);
  return out;
}

}  // namespace qrk::test
