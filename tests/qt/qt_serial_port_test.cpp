#include "platform/qt/qt_serial_port.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>
#include <ctime>

#include "e2e/pseudo_terminal.h"
#include "platform/qt/qt_event_loop.h"
#include "qt_app.h"

namespace qrk {
namespace {

using namespace std::chrono_literals;

class QtSerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::qtApp();
    ASSERT_TRUE(pty.valid());
  }
  // Waits for `done`, or at most `ms` of real time, in the Qt event loop.
  bool waitFor(const std::function<bool()>& done, int ms) {
    auto limit = loop.createTimer();
    bool expired = false;
    limit->setHandler([&] { expired = true; });
    limit->start(ms);
    loop.waitUntil([&] { return done() || expired; });
    return done();
  }

  test::PseudoTerminal pty;
  QtEventLoop loop;
  QtSerialPort port;
};

TEST_F(QtSerialPortTest, ExchangesBytesOverAPseudoTerminal) {
  std::string error;
  ASSERT_TRUE(port.open(pty.slavePath(), 115200, &error)) << error;
  EXPECT_TRUE(port.isOpen());

  const std::vector<std::uint8_t> request = {0x46, 0xB9, 0x6A, 0x00, 0x08,
                                             0x80, 0x02, 0xF0, 0xE4, 0x16};
  ASSERT_TRUE(port.write(request));
  EXPECT_EQ(pty.readMaster(request.size(), 1000ms), request);

  std::vector<std::uint8_t> received;
  port.setReceiveHandler([&] {
    auto chunk = port.readAll();
    received.insert(received.end(), chunk.begin(), chunk.end());
  });
  const std::vector<std::uint8_t> reply = {0x68, 0x00, 0x06, 0x80, 0xEE, 0x16, 0x00, 0xFF};
  ASSERT_TRUE(pty.writeMaster(reply));
  EXPECT_TRUE(waitFor([&] { return received.size() >= reply.size(); }, 1000));
  EXPECT_EQ(received, reply) << "zero bytes and 0xFF pass unchanged";

  port.close();
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(port.write(request));
}

TEST_F(QtSerialPortTest, DiscardInputDropsWaitingBytes) {
  ASSERT_TRUE(port.open(pty.slavePath(), 115200, nullptr));
  bool arrived = false;
  port.setReceiveHandler([&] { arrived = true; });
  ASSERT_TRUE(pty.writeMaster({1, 2, 3}));
  ASSERT_TRUE(waitFor([&] { return arrived; }, 1000));
  port.discardInput();
  EXPECT_EQ(port.bytesAvailable(), 0u);
  EXPECT_TRUE(port.readAll().empty());
}

TEST_F(QtSerialPortTest, OpenFailureGivesTheSystemReason) {
  std::string error;
  EXPECT_FALSE(port.open("/dev/qrk-no-such-port", 115200, &error));
  EXPECT_FALSE(port.isOpen());
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;

  error.clear();
  EXPECT_FALSE(port.open("COM999", 115200, &error));
  EXPECT_NE(error.find("COM999"), std::string::npos) << error;
}

TEST_F(QtSerialPortTest, VanishedPeerDoesNotMakeTheWaitSpin) {
  ASSERT_TRUE(port.open(pty.slavePath(), 115200, nullptr));
  port.setReceiveHandler([&] { (void)port.readAll(); });
  pty.closeMaster();
  timespec before{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
  waitFor([] { return false; }, 200);
  timespec after{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
  const double cpuMs =
      (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
  EXPECT_LT(cpuMs, 40.0);
  EXPECT_FALSE(port.isOpen()) << "a port whose reads fail is closed, so later writes fail";
}

TEST(ComPortName, RecognisesComNamesInAnyCase) {
  EXPECT_EQ(comPortNumber("COM1"), 1);
  EXPECT_EQ(comPortNumber("com12"), 12);
  EXPECT_EQ(comPortNumber("Com3"), 3);
  EXPECT_EQ(comPortNumber("COM0"), std::nullopt);
  EXPECT_EQ(comPortNumber("COM"), std::nullopt);
  EXPECT_EQ(comPortNumber("COM1a"), std::nullopt);
  EXPECT_EQ(comPortNumber("COM99999"), std::nullopt);
  EXPECT_EQ(comPortNumber("/dev/ttyS0"), std::nullopt);
  EXPECT_EQ(comPortNumber("/dev/COM1"), std::nullopt);
}

TEST(ComPortName, PathsPassThroughUnchanged) {
  std::string path;
  ASSERT_TRUE(resolvePortName("/dev/pts/7", &path, nullptr));
  EXPECT_EQ(path, "/dev/pts/7");
}

}  // namespace
}  // namespace qrk
