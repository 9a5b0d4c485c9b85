// The Qt adapters against the real thing: Qt's event loop, a pseudo-terminal, INI files.
#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <ctime>
#include <fstream>
#include <thread>

#include "qt/port_directory.h"
#include "qt/qt_event_loop.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_settings_store.h"
#include "support/listing_store.h"
#include "support/pseudo_terminal.h"

namespace qrk {
namespace {

// The adapters need a QCoreApplication, and GoogleTest owns main().
class QtAdapters : public ::testing::Test {
 protected:
  void SetUp() override {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("test_qt"), nullptr};
    static QCoreApplication app(argc, argv);
  }
  static double cpuMs() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
  // Waits in the Qt event loop for `done`, or at most `ms` of real time.
  bool waitFor(const std::function<bool()>& done, int ms) {
    auto limit = loop.createTimer();
    bool expired = false;
    limit->setHandler([&] { expired = true; });
    limit->start(ms);
    loop.waitUntil([&] { return done() || expired; });
    return done();
  }
  QtEventLoop loop;
};

TEST_F(QtAdapters, WaitSleepsUntilItsTimerFiresAndAStoppedTimerNeverFires) {
  constexpr int kStop = -1, kNever = -1;
  const std::vector<std::pair<std::vector<int>, int>> armings = {
      {{10, kStop}, kNever}, {{10, 60}, 60}, {{150, 30}, 30}, {{20, kStop, 90}, 90}};
  const std::int64_t start = loop.nowMs();
  std::vector<std::unique_ptr<Timer>> timers;
  std::vector<std::vector<std::int64_t>> firedAt(armings.size());
  for (std::size_t i = 0; i < armings.size(); ++i) {
    timers.push_back(loop.createTimer());
    timers[i]->setHandler([&, i] { firedAt[i].push_back(loop.nowMs() - start); });
    for (const int ms : armings[i].first) ms == kStop ? timers[i]->stop() : timers[i]->start(ms);
  }
  auto last = loop.createTimer();
  bool fired = false, activeInHandler = true;
  last->setHandler([&] { fired = true, activeInHandler = last->isActive(); });
  const double cpuBefore = cpuMs();
  last->start(200);
  loop.waitUntil([&] { return fired; });
  const double cpu = cpuMs() - cpuBefore;
  const std::int64_t elapsed = loop.nowMs() - start;

  EXPECT_FALSE(activeInHandler) << "a one-shot timer is inactive when its handler runs";
  EXPECT_GE(elapsed, 199);
  // A spinning wait would burn the whole 200 ms.
  EXPECT_LT(cpu, 20.0) << "waitUntil used " << cpu << " ms of CPU in " << elapsed << " ms";
  for (std::size_t i = 0; i < armings.size(); ++i) {
    const int due = armings[i].second;
    EXPECT_EQ(firedAt[i].size(), due == kNever ? 0u : 1u) << i;
    if (due != kNever && !firedAt[i].empty()) {
      EXPECT_GE(firedAt[i][0], due - 1) << i;
    }
    EXPECT_FALSE(timers[i]->isActive()) << i;
  }

  // A timer armed again from its own handler runs on.
  int ticks = 0;
  last->setHandler([&] {
    if (++ticks < 3) last->start(5);
  });
  last->start(5);
  EXPECT_TRUE(waitFor([&] { return ticks == 3; }, 1000));
}

// A port that is not there fails to open with the reason; on one that is,
// bytes pass unchanged both ways, stale input can be dropped, and a line
// whose other end vanished closes instead of making the wait spin.
TEST_F(QtAdapters, SerialPortOnAPseudoTerminal) {
  QtSerialPort port;
  std::string error;
  EXPECT_FALSE(port.open("/dev/qrk-no-such-port", 115200, &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  test::PseudoTerminal pty;
  ASSERT_TRUE(port.open(pty.slavePath(), 115200, &error)) << error;
  // A pseudo-terminal has no driver to ask for low latency; that is no error.
  EXPECT_FALSE(port.lowLatency());
  EXPECT_FALSE(port.lowLatencyRefusal().empty());
  const std::vector<std::uint8_t> request = {0x46, 0xB9, 0x6A, 0x00, 0x08,
                                             0x80, 0x02, 0xF0, 0xE4, 0x16};
  ASSERT_TRUE(port.write(request));
  EXPECT_EQ(pty.readMaster(request.size(), 1000), request);

  std::vector<std::uint8_t> received;
  port.setReceiveHandler([&] {
    const auto chunk = port.readAll();
    received.insert(received.end(), chunk.begin(), chunk.end());
  });
  const std::vector<std::uint8_t> reply = {0x68, 0x00, 0x06, 0x80, 0xEE, 0x16, 0x00, 0xFF};
  ASSERT_TRUE(pty.writeMaster(reply));
  EXPECT_TRUE(waitFor([&] { return received.size() >= reply.size(); }, 1000));
  EXPECT_EQ(received, reply) << "zero bytes and 0xFF pass unchanged";

  bool arrived = false;
  port.setReceiveHandler([&] { arrived = true; });
  ASSERT_TRUE(pty.writeMaster({1, 2, 3}));
  ASSERT_TRUE(waitFor([&] { return arrived; }, 1000));
  port.discardInput();
  EXPECT_EQ(port.bytesAvailable(), 0u);
  EXPECT_TRUE(port.readAll().empty());

  port.setReceiveHandler([&] { (void)port.readAll(); });
  pty.closeMaster();
  const double cpuBefore = cpuMs();
  waitFor([] { return false; }, 200);
  EXPECT_LT(cpuMs() - cpuBefore, 40.0);
  EXPECT_FALSE(port.isOpen()) << "a port whose reads fail is closed";
  EXPECT_FALSE(port.write(request));
}

// The last frames before a close (the Stop command above all) must leave at
// the speed they were queued at: close() sends everything still queued
// before the port's settings go back, but never waits without end on a line
// that does not take bytes.
TEST_F(QtAdapters, CloseSendsWhatIsStillQueuedWithinABoundedWait) {
  std::vector<std::uint8_t> burst(96 * 1024);
  for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<std::uint8_t>(i * 7);
  {
    test::PseudoTerminal pty;
    QtSerialPort port;
    ASSERT_TRUE(port.open(pty.slavePath(), 115200, nullptr));
    // More than the line holds: most of the first half waits, and the second
    // half must queue behind it, never slip past into the driver.
    const std::span<const std::uint8_t> all(burst);
    ASSERT_TRUE(port.write(all.first(burst.size() / 2)));
    ASSERT_TRUE(port.write(all.subspan(burst.size() / 2)));
    std::vector<std::uint8_t> received;
    std::thread reader([&] { received = pty.readMaster(burst.size(), 2000); });
    port.close();
    reader.join();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(received.size(), burst.size());
    EXPECT_TRUE(received == burst);
  }
  test::PseudoTerminal stuck;  // nobody ever reads
  QtSerialPort port;
  ASSERT_TRUE(port.open(stuck.slavePath(), 115200, nullptr));
  ASSERT_TRUE(port.write(burst));
  const std::int64_t start = loop.nowMs();
  port.close();
  EXPECT_LT(loop.nowMs() - start, QtSerialPort::kCloseDrainLimitMs + 500);
  EXPECT_FALSE(port.isOpen());
}

// Texts that INI syntax treats specially come back as written.
TEST_F(QtAdapters, SettingsInIniFiles) {
  QTemporaryDir dir;
  const auto path = [&](const char* name) { return dir.filePath(name).toStdString(); };
  std::ofstream(path("qrk.ini")) << "[Settings]\nList=Erase_All,Program\n";
  const std::pair<const char*, const char*> tricky[] = {
      {"Note", "烧录 a,b = c"},
      {"FilePath", R"(C:\固件\line #2; a=b\app "v2".hex)"},
      {"COM_port_path", "/dev/serial/by-id/usb-FTDI_FT232R_A1,B2-if00"},
      {"Write_OK_Count", ""}};
  std::string error;
  {
    QtSettingsStore store(path("qrk.ini"));
    store.setValue("Settings", "DeviceProducts", "3");
    store.setValue("Auto_Increase", "DeviceProducts", "7");
    for (const auto& [key, text] : tricky) store.setValue("Settings", key, text);
    EXPECT_TRUE(store.sync(&error)) << error;
  }
  QtSettingsStore reopened(path("qrk.ini"));
  EXPECT_EQ(reopened.value("Settings", "List", ""), "Erase_All,Program");
  EXPECT_EQ(reopened.value("Settings", "DeviceProducts", "0"), "3");
  EXPECT_EQ(reopened.value("Auto_Increase", "DeviceProducts", "0"), "7");
  for (const auto& [key, text] : tricky) EXPECT_EQ(reopened.value("Settings", key, "?"), text);
  EXPECT_EQ(reopened.value("Settings", "Missing", "dflt"), "dflt");
  static constexpr char kJunk[] =
      "\xef\xbb\xbf[Settings\nDeviceProducts\n=\n\x00\x01\xff[Settings]\nBaud==7\n"
      "ISP_DEMO_WDT_port=\"P9\nfillbyte";
  std::ofstream(path("junk.ini"), std::ios::binary).write(kJunk, sizeof kJunk - 1);
  EXPECT_EQ(test::saved(loadWindowSettings(QtSettingsStore(path("junk.ini")))),
            test::saved(WindowSettings{}));
  {
    QtSettingsStore absent(path("absent.ini"));
    EXPECT_EQ(absent.value("Settings", "DeviceProducts", "0"), "0");
    EXPECT_TRUE(absent.sync());
  }
  EXPECT_FALSE(QFile::exists(dir.filePath("absent.ini")));

  QtSettingsStore blocked(path("qrk.ini") + "/sub/qrk.ini");  // under a plain file
  blocked.setValue("Settings", "DeviceProducts", "1");
  EXPECT_FALSE(blocked.sync(&error));
  EXPECT_NE(error.find("qrk.ini"), std::string::npos) << error;
}

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

SerialDevice uart(const std::string& path) { return SerialDevice{path, "", "", "", {}, {}}; }

SerialDevice adapter(const std::string& path, const std::string& serial) {
  return SerialDevice{path, "USB UART", "maker", serial, 0x0403, 0x6001};
}

// The device `name` stands for, or the message that refuses it.
std::string resolved(const PortDirectory& directory, const std::string& name) {
  std::string path, message;
  return directory.resolve(name, &path, &message) ? path : "refused: " + message;
}

// A station's adapters come first whatever order the system reports them in,
// so COM1 stays the first adapter when a motherboard UART appears or goes.
TEST(PortDirectory, ComNamesCountAdaptersFirstThenPaths) {
  const PortDirectory directory({uart("/dev/ttyS1"), adapter("/dev/ttyUSB1", "B"),
                                 uart("/dev/ttyS0"), adapter("/dev/ttyACM0", "C"),
                                 adapter("/dev/ttyUSB0", "A")});
  std::vector<std::string> order;
  for (const char* name : {"COM1", "COM2", "com3", "COM4", "COM5"})
    order.push_back(resolved(directory, name));
  EXPECT_EQ(order, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1",
                                             "/dev/ttyS0", "/dev/ttyS1"}));

  EXPECT_THAT(resolved(directory, "COM6"),
              AllOf(StartsWith("refused: "), HasSubstr("COM6"), HasSubstr("5 serial ports"),
                    HasSubstr("qrkprog ports")));
  EXPECT_THAT(resolved(PortDirectory({}), "COM1"),
              AllOf(StartsWith("refused: "), HasSubstr("has 0 serial ports")));
}

TEST(PortDirectory, AnAdapterIsFoundByItsSerialNumberOnlyWhenItIsTheOnlyOne) {
  const PortDirectory directory({adapter("/dev/ttyUSB0", "A50285BI"),
                                 adapter("/dev/ttyUSB1", "CLONE"), adapter("/dev/ttyUSB2", "CLONE"),
                                 adapter("/dev/ttyUSB3", ""), uart("/dev/ttyS0")});
  EXPECT_EQ(resolved(directory, "usb:A50285BI"), "/dev/ttyUSB0");
  EXPECT_EQ(resolved(directory, "USB:A50285BI"), "/dev/ttyUSB0") << "the prefix in any case";

  // A serial number is exact. Cheap adapters often share one: picking either
  // would program the wrong station's chips. None is never matched by an empty one.
  for (const auto& [name, message] : std::vector<std::pair<std::string, std::string>>{
           {"usb:a50285bi", "qrkprog ports"},
           {"usb:CLONE", "2 adapters report serial number CLONE (/dev/ttyUSB1, /dev/ttyUSB2)"},
           {"usb:", "serial number after usb:"}})
    EXPECT_THAT(resolved(directory, name), AllOf(StartsWith("refused: "), HasSubstr(message)));
}

TEST(PortDirectory, PathsAndOtherNamesPassUnchangedWithoutAScan) {
  const PortDirectory empty({});
  for (const char* name : {"/dev/pts/7", "/dev/COM1", "/tmp/line/ttyQRK", "COM0", "COM", "COM1a",
                           "COM99999", "usbserial"}) {
    EXPECT_EQ(resolved(empty, name), name);
    EXPECT_FALSE(needsPortDirectory(name)) << name;
  }
  EXPECT_TRUE(needsPortDirectory("COM2"));
  EXPECT_TRUE(needsPortDirectory("usb:X"));
  EXPECT_EQ(usbSerialOf("usb:X:1"), "X:1");
}

}  // namespace
}  // namespace qrk
