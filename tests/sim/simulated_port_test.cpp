#include "sim/simulated_port.h"

#include <gtest/gtest.h>

#include <memory>

#include "link/handshake.h"
#include "link/isp_link.h"
#include "platform/host.h"
#include "platform/message_pane.h"
#include "sim/line_timing.h"
#include "tests/sim/frames.h"

namespace qrk::sim {
namespace {

using namespace test;

// Records each receive event: when it came and what was waiting.
struct Arrivals {
  explicit Arrivals(SimulatedTarget& sim) : sim_(sim) {
    sim.port.setReceiveHandler([this] {
      events.push_back({sim_.loop.nowUs(), sim_.port.readAll()});
    });
  }
  std::vector<TimedChunk> events;

 private:
  SimulatedTarget& sim_;
};

TEST(SimulatedPort, RepliesArriveAtTheirInstantOneEventPerInstant) {
  SimulatedTarget sim;
  Arrivals arrivals(sim);
  ASSERT_TRUE(sim.port.open("sim", 115200, nullptr));
  ASSERT_TRUE(sim.port.write(shortCommand(cmd::kHandshake, 0xF0)));
  sim.loop.advanceMs(0);
  EXPECT_TRUE(arrivals.events.empty());
  sim.loop.advanceMs(1);
  ASSERT_EQ(arrivals.events.size(), 1u);
  EXPECT_EQ(arrivals.events[0].atUs, 100);
  EXPECT_EQ(arrivals.events[0].bytes, reply(0x80));
  EXPECT_EQ(sim.port.written().size(), 1u);
}

TEST(SimulatedPort, FramesDueAtOneInstantComeAsOneChunk) {
  SimulatedTarget sim("QRK5-16B", DeviceOptions().withFault(Fault::every(FaultKind::Burst)));
  Arrivals arrivals(sim);
  sim.port.open("sim", 115200, nullptr);
  sim.port.write(shortCommand(cmd::kBlankCheck));
  sim.loop.advanceMs(100);
  ASSERT_EQ(arrivals.events.size(), 1u);
  EXPECT_EQ(frames(arrivals.events[0].bytes).size(), 2u);
}

TEST(SimulatedPort, WithBaudEmulationBytesTrickleIn) {
  SimulatedTarget sim("QRK5-16B", DeviceOptions().withBaudEmulation());
  Arrivals arrivals(sim);
  sim.port.open("sim", 115200, nullptr);
  sim.port.write(shortCommand(cmd::kVersion));
  sim.loop.advanceMs(10);
  ASSERT_EQ(arrivals.events.size(), 7u);
  EXPECT_EQ(arrivals.events.back().atUs - arrivals.events.front().atUs,
            byteDoneUs(0, 6) - byteDoneUs(0, 0));
}

TEST(SimulatedPort, RefusedOpenReportsTheReason) {
  SimulatedTarget sim;
  sim.port.refuseOpen("Device or resource busy");
  std::string error;
  EXPECT_FALSE(sim.port.open("/dev/ttyS0", 115200, &error));
  EXPECT_EQ(error, "Device or resource busy");
  EXPECT_FALSE(sim.port.isOpen());
  sim.port.allowOpen();
  EXPECT_TRUE(sim.port.open("/dev/ttyS0", 115200, &error));
  EXPECT_EQ(sim.port.openedName(), "/dev/ttyS0");
  EXPECT_EQ(sim.port.openCount(), 1);
}

TEST(SimulatedPort, DisconnectLosesWhatIsOnTheLineUntilReconnected) {
  SimulatedTarget sim;
  Arrivals arrivals(sim);
  sim.port.open("sim", 115200, nullptr);
  sim.port.write(shortCommand(cmd::kVersion));
  sim.port.disconnect();
  EXPECT_FALSE(sim.port.isOpen());
  EXPECT_FALSE(sim.port.write(shortCommand(cmd::kVersion)));
  std::string error;
  EXPECT_FALSE(sim.port.open("sim", 115200, &error));
  EXPECT_FALSE(error.empty());
  sim.loop.advanceMs(10);
  EXPECT_TRUE(arrivals.events.empty());

  sim.port.reconnect();
  ASSERT_TRUE(sim.port.open("sim", 115200, nullptr));
  sim.port.write(shortCommand(cmd::kVersion));
  sim.loop.advanceMs(10);
  EXPECT_EQ(arrivals.events.size(), 1u);
}

TEST(SimulatedPort, BytesDueWhileClosedAreLost) {
  SimulatedTarget sim("QRK5-16B", DeviceOptions().withFault("slow"));
  Arrivals arrivals(sim);
  sim.port.open("sim", 115200, nullptr);
  sim.port.write(shortCommand(cmd::kVersion));  // comes 800 ms late
  sim.port.close();
  EXPECT_FALSE(sim.port.write(shortCommand(cmd::kVersion)));
  sim.loop.advanceMs(1000);
  EXPECT_TRUE(arrivals.events.empty());
  EXPECT_EQ(sim.port.bytesAvailable(), 0u);
}

TEST(SimulatedPort, DestroyedWithRepliesInFlight) {
  VirtualEventLoop loop;
  QrkDevice device = QrkDevice::forModel("QRK5-16B");
  {
    SimulatedPort port(loop, device);
    port.open("sim", 115200, nullptr);
    port.write(shortCommand(cmd::kVersion));
  }
  loop.advanceMs(10);  // nothing left to deliver into a port that is gone
  EXPECT_FALSE(loop.hasPendingEvents());
}

// The fixture carries a whole connection through the real link.
TEST(SimulatedTarget, ConnectsThroughTheLinkWhenSwitchedOnLate) {
  SimulatedTarget sim("QRK5-16B", DeviceOptions().withPowerOnAfter(149).withBaudEmulation());
  IspLink link(sim.port, sim.loop);
  NullHost host;
  MessagePane pane(host);
  std::string version;
  ASSERT_TRUE(link.openPort("sim"));
  link.setMapKind(2);
  EXPECT_EQ(connectTarget(link, pane, 20, 0xF0, version), 0);
  EXPECT_EQ(version, "32");
  EXPECT_EQ(sim.device.commandCount(cmd::kHandshake), 153);
}

}  // namespace
}  // namespace qrk::sim
