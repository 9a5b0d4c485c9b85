// What a user at a terminal sees: qrkprog runs in a real terminal (tmux), and
// the screen it leaves is compared with the message pane's text.
#include <cstdlib>

#include "e2e/process_harness.h"

namespace qrk::test {
namespace {

// One tmux server of the test's own, with one window of `columns` x 60 that
// runs a shell command once the recording of its raw output is in place.
class Terminal {
 public:
  explicit Terminal(const std::string& dir, int columns = 120)
      : dir_(dir), tmux_("tmux -S " + dir + "/tmux.sock -f /dev/null "), columns_(columns) {}
  ~Terminal() { tmux("kill-server 2>/dev/null"); }

  // Runs `command` in the terminal to its end, with `typed` (tmux key names)
  // typed ahead; false when it did not end in time.
  bool run(const std::string& command, const std::string& typed = "") {
    // The pane's command waits for "go" so that nothing it prints is missed,
    // and stays after "done" so that its screen can still be read.
    const std::string script = tmux_ + "wait-for go; " + command + "; echo $? > " + dir_ +
                               "/status; " + tmux_ + "wait-for -S done; " + tmux_ + "wait-for end";
    tmux("kill-server 2>/dev/null");
    if (tmux("new-session -d -s t -x " + std::to_string(columns_) + " -y 60 '" + script + "'") ||
        tmux("pipe-pane -o -t t 'cat > " + dir_ + "/raw'"))
      return false;
    if (!typed.empty()) tmux("send-keys -t t " + typed);
    tmux("wait-for -S go");
    return std::system(("timeout 60 " + tmux_ + "wait-for done").c_str()) == 0;
  }
  std::string screen() const {
    tmux("capture-pane -p -t t > " + dir_ + "/screen");
    std::string text = readFile(dir_ + "/screen");
    while (text.ends_with("\n\n")) text.pop_back();
    return text;
  }
  std::string raw() const { return readFile(dir_ + "/raw"); }
  int status() const { return std::atoi(readFile(dir_ + "/status").c_str()); }

 private:
  int tmux(const std::string& args) const { return std::system((tmux_ + args).c_str()); }

  std::string dir_;
  std::string tmux_;
  int columns_;
};

class QrkprogTerminal : public QrkprogTest {
 protected:
  void SetUp() override { QrkprogTest::SetUp(); }
  std::string qrkprog() const { return std::string(QRK_BIN_DIR) + "/qrkprog"; }
  std::string blink() const { return std::string(QRK_SOURCE_DIR) + "/firmware/examples/blink.hex"; }
};

// Every pane line stays on screen: the progress bar lives on a line of its
// own and goes without taking a verdict with it.
TEST_F(QrkprogTerminal, TheProgressBarNeverErasesAPaneLine) {
  struct Case {
    std::string simulator, function;
    int status;
    std::string verdict;
  };
  const Case cases[] = {
      {"--model QRK5-16B", "Program", 0, "Program OK!"},
      {"--model QRK5-16B --fault bad-ack:all", "Program", 1, "Program is failure!"},
      {"--model QRK5-16B", "Verify", 1, "Verify is error!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function + " " + c.simulator);
    const std::string args =
        "run " + c.function + " --model QRK5-16B --file " + blink() + " --port ";
    Simulator piped(c.simulator);
    const ProcessResult expected = run(args + piped.portPath(), c.status);
    ASSERT_THAT(expected.out, HasSubstr(c.verdict));

    Simulator sim(c.simulator);
    Terminal terminal(dir_);
    ASSERT_TRUE(terminal.run(qrkprog() + " " + args + sim.portPath()));
    EXPECT_EQ(terminal.status(), c.status);
    EXPECT_EQ(terminal.screen(), expected.out);
    EXPECT_THAT(terminal.raw(), HasSubstr("%"));  // a bar was drawn and removed
  }
}

TEST_F(QrkprogTerminal, AFinishedReadShowsAFullBar) {
  Simulator sim("--model QRK5-16B");
  Terminal terminal(dir_);
  ASSERT_TRUE(
      terminal.run(qrkprog() + " run Read_AP_ISP --model QRK5-16B --port " + sim.portPath()));
  EXPECT_EQ(terminal.status(), 0);
  const std::string raw = terminal.raw();
  const std::size_t verdict = raw.find("Read AP_ISP OK!");
  ASSERT_NE(verdict, std::string::npos) << raw;
  const std::size_t lastBar = raw.rfind('%', verdict);
  ASSERT_NE(lastBar, std::string::npos);
  EXPECT_EQ(raw.substr(lastBar - 3, 4), "100%");
  EXPECT_THAT(terminal.screen(), HasSubstr("Read AP_ISP OK!"));
}

TEST_F(QrkprogTerminal, AQuestionIsAskedOnATerminalAndExplainedWithoutOne) {
  const std::string demo = "demo-write --model QRK5-16B --repeat 2 --delay 2 --port ";
  Simulator piped("--model QRK5-16B");
  const ProcessResult r = run(demo + piped.portPath(), 0);
  EXPECT_THAT(r.err, HasSubstr("Should the chip start the ISP DEMO download program"));
  EXPECT_THAT(r.err, HasSubstr("taken as No (--yes answers Yes)"));

  Simulator sim("--model QRK5-16B");
  Terminal terminal(dir_);
  ASSERT_TRUE(terminal.run(qrkprog() + " " + demo + sim.portPath(), "y Enter"));
  EXPECT_EQ(terminal.status(), 0);
  EXPECT_THAT(terminal.screen(), HasSubstr("Answer y or N: "));
  EXPECT_THAT(terminal.screen(), Not(HasSubstr("taken as No")));
  // The countdown's seconds rewrite one line.
  EXPECT_THAT(terminal.screen(), HasSubstr("will Re-Run... 1"));
  EXPECT_THAT(terminal.screen(), Not(HasSubstr("will Re-Run... 2")));
}

}  // namespace
}  // namespace qrk::test
