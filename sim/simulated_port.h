#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_port.h"
#include "platform/virtual_event_loop.h"
#include "sim/qrk_device.h"

namespace qrk::sim {

// A serial port on virtual time with a simulated chip at the far end: write()
// hands the bytes to the device, and each of its output chunks lands in the
// receive queue at its instant, followed by a call of the receive handler.
// Bytes due while the port is closed are lost, as on a real line.
class SimulatedPort : public SerialPort {
 public:
  SimulatedPort(VirtualEventLoop& loop, LineDevice& device) : loop_(loop), device_(device) {}
  ~SimulatedPort() override;
  SimulatedPort(const SimulatedPort&) = delete;
  SimulatedPort& operator=(const SimulatedPort&) = delete;

  bool open(const std::string& name, int baud, std::string* error) override;
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  bool write(std::span<const std::uint8_t> bytes) override;
  std::vector<std::uint8_t> readAll() override;
  std::size_t bytesAvailable() const override { return rx_.size(); }
  void discardInput() override { rx_.clear(); }
  void discardOutput() override {}
  void setReceiveHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  // open() fails with `reason` (a port that is absent or held by another
  // program) until allowOpen().
  void refuseOpen(std::string reason = "Permission denied") { refusal_ = std::move(reason); }
  void allowOpen() { refusal_.clear(); }
  // The adapter is unplugged: the port closes, writes fail, nothing more
  // arrives and open() fails until it is plugged in again.
  void disconnect();
  void reconnect() { disconnected_ = false; }

  // Every write() the programmer made while the port was open, in order.
  const std::vector<std::vector<std::uint8_t>>& written() const { return written_; }
  const std::string& openedName() const { return openedName_; }
  int openedBaud() const { return openedBaud_; }
  int openCount() const { return openCount_; }

 private:
  void deliver(std::int64_t atUs);

  VirtualEventLoop& loop_;
  LineDevice& device_;
  bool open_ = false;
  bool disconnected_ = false;
  std::string refusal_;
  std::deque<std::uint8_t> rx_;
  std::function<void()> handler_;
  struct InFlight {
    std::vector<std::uint8_t> bytes;
    VirtualEventLoop::EventId event = 0;
  };
  // Device output on its way, by due instant; one loop event per instant.
  std::map<std::int64_t, InFlight> onTheLine_;
  std::vector<std::vector<std::uint8_t>> written_;
  std::string openedName_;
  int openedBaud_ = 0;
  int openCount_ = 0;
};

// Loop, chip and port in one, for tests of the link and the operations:
//   SimulatedTarget sim("QRK5-16B");
//   IspLink link(sim.port, sim.loop);
// Members are public; the device can be configured through `options` or
// afterwards (sim.device.addFault(...), sim.device.loadFlash(...)).
struct SimulatedTarget {
  explicit SimulatedTarget(std::string_view modelName = "QRK5-16B", DeviceOptions options = {})
      : device(QrkDevice::forModel(modelName, std::move(options))), port(loop, device) {}

  VirtualEventLoop loop;
  QrkDevice device;
  SimulatedPort port;
};

}  // namespace qrk::sim
