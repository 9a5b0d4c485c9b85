// The port list: COM1 .. COM8 over this machine's devices, a typed path,
// and what a run opens.
#include "ui/port_list.h"

#include <gtest/gtest.h>

#include "ui/window_bench.h"

namespace qrk {
namespace {

using test::ListingStore;
using test::session;
using test::WindowBench;

std::vector<SerialDeviceEntry> twoAdaptersAndAUart() {
  return {{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART"},
          {"ttyUSB1", "/dev/ttyUSB1", "CP2102"},
          {"ttyS0", "/dev/ttyS0", ""}};
}

TEST(PortList, ComEntriesStandForTheDevicesInTheirOrder) {
  PortList ports;
  ports.setDevices(twoAdaptersAndAUart());
  EXPECT_EQ(ports.entryText(0), "COM1  ttyUSB0  FT232R USB UART");
  EXPECT_EQ(ports.entryText(2), "COM3  ttyS0");
  EXPECT_EQ(ports.entryText(3), "COM4  (none)");
  EXPECT_EQ(ports.portToOpen(), "/dev/ttyUSB0");
  ports.select(1);
  EXPECT_EQ(ports.portToOpen(), "/dev/ttyUSB1");
  EXPECT_EQ(ports.captionText(), "COM 2");
  // An entry without a device opens by its COM name, so that the open fails
  // with the message that counts the machine's ports.
  ports.select(7);
  EXPECT_EQ(ports.portToOpen(), "COM8");
  for (const int outside : {-1, 8, 1000}) {
    ports.select(outside);
    EXPECT_EQ(ports.selectedIndex(), 0) << outside;
  }
  // The choice is a COM number: an unplugged adapter does not move it.
  ports.select(1);
  ports.setDevices({twoAdaptersAndAUart().front()});
  EXPECT_EQ(ports.selectedIndex(), 1);
  EXPECT_EQ(ports.portToOpen(), "COM2");
}

TEST(PortList, ATypedTextChoosesAnEntryOrBecomesThePath) {
  PortList ports;
  ports.setDevices(twoAdaptersAndAUart());
  EXPECT_TRUE(ports.setText("com3"));
  EXPECT_EQ(ports.selectedIndex(), 2);
  EXPECT_TRUE(ports.setText(ports.entryText(1)));
  EXPECT_EQ(ports.selectedIndex(), 1);

  EXPECT_TRUE(ports.setText("  /dev/pts/4 "));
  EXPECT_EQ(ports.selectedIndex(), -1);
  EXPECT_EQ(ports.typedPath(), "/dev/pts/4");
  EXPECT_EQ(ports.comIndex(), 1);
  EXPECT_EQ(ports.portToOpen(), "/dev/pts/4");
  EXPECT_EQ(ports.currentText(), "/dev/pts/4");
  EXPECT_FALSE(ports.setText(" \t"));
  EXPECT_EQ(ports.typedPath(), "/dev/pts/4");

  // Beyond the eighth entry a COM name is passed on for the run to resolve.
  EXPECT_TRUE(ports.setText("COM12"));
  EXPECT_EQ(ports.portToOpen(), "COM12");
  ports.select(0);
  EXPECT_TRUE(ports.typedPath().empty());
  EXPECT_EQ(ports.portToOpen(), "/dev/ttyUSB0");
}

TEST(PortList, ATypedPathSurvivesARestartAndIsWhatARunOpens) {
  ListingStore store;
  session(store, [](WindowBench& b) {
    b.window.portChosen(4);
    b.window.portTextChanged("/dev/pts/9");
  });
  EXPECT_EQ(store.at("COM_port"), "4");
  WindowBench b(store);
  b.started();
  EXPECT_EQ(b.window.state().ports.typedPath(), "/dev/pts/9");
  EXPECT_EQ(b.window.programFrameCaption(), "Program / 编程 ( /dev/pts/9, 115200 )");
  b.window.run(FunctionId::VerifyId);
  EXPECT_EQ(b.sim.port.openedName(), "/dev/pts/9");

  b.window.portChosen(2);
  b.advanceMs(SettingsTicker::kIntervalMs);
  EXPECT_EQ(store.at("COM_port_path"), "");
  EXPECT_EQ(b.window.programFrameCaption(), "Program / 编程 ( COM 3, 115200 )");
}

}  // namespace
}  // namespace qrk
