#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qrk::test {

// How a child process ended, and everything it wrote.
struct ProcessResult {
  bool started = false;
  bool exited = false;  // ended by exit(); exitCode is valid
  int exitCode = -1;
  int termSignal = 0;     // the signal that ended it, when it did not exit
  bool timedOut = false;  // the harness killed it at its time limit
  std::string out;
  std::string err;
  double wallSeconds = 0;
  double cpuSeconds = 0;  // user + system time of the child
};

// Extra environment entries "NAME=value" for a child.
using Environment = std::vector<std::string>;

// A program started with stdin, stdout and stderr on pipes. Every wait has a
// hard time limit, and a child still running when the object goes is killed,
// so that a failing test can never hang the suite.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const Environment& env = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }

  // Collects output until stdout holds `text` or `limit` passed.
  bool waitForOutput(const std::string& text, std::chrono::milliseconds limit);
  // Collects output until `ready(stdout)` holds or `limit` passed.
  bool waitForOutput(const std::function<bool(const std::string&)>& ready,
                     std::chrono::milliseconds limit);
  void sendSignal(int signalNumber);
  // Ends the child's stdin (a program that serves until its input ends stops).
  void closeStdin();
  // Waits for the child to end, collecting its output; kills it at `limit`.
  ProcessResult wait(std::chrono::milliseconds limit);

 private:
  // Reads what the pipes hold, waiting at most `timeoutMs` for something to
  // happen (output, end of output, the child's end).
  void pump(int timeoutMs);
  bool pipesOpen() const { return outFd_ >= 0 || errFd_ >= 0; }
  void reap(bool block);

  pid_t pid_ = -1;
  int pidFd_ = -1;
  int inFd_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  std::string out_;
  std::string err_;
  std::chrono::steady_clock::time_point startTime_;
  ProcessResult result_;
  bool reaped_ = false;
};

// Runs a program to its end, at most `limit`.
ProcessResult runProcess(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                         const Environment& env = {});

// A built binary of this project.
std::string binaryPath(const std::string& name);

// `qrksim` serving a simulated chip on a pseudo-terminal for one test; stopped
// with SIGTERM when the object goes.
class Simulator {
 public:
  explicit Simulator(std::vector<std::string> args);
  ~Simulator();
  // Whether it printed its "PTY <path>" line in time.
  bool ready() const { return !portPath_.empty(); }
  const std::string& portPath() const { return portPath_; }
  // What it wrote so far, for failure messages.
  std::string log() const { return process_.out() + process_.err(); }
  // Stops it and returns how it ended.
  ProcessResult stop();

 private:
  ChildProcess process_;
  std::string portPath_;
  bool stopped_ = false;
};

}  // namespace qrk::test
