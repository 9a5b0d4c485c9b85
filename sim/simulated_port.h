#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
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
  void close() override;
  bool isOpen() const override { return open_; }
  bool write(std::span<const std::uint8_t> bytes) override;
  std::vector<std::uint8_t> readAll() override;
  std::size_t bytesAvailable() const override { return rx_.size(); }
  void discardInput() override { rx_.clear(); }
  void discardOutput() override {}
  void setReceiveHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  // Modem lines as a real adapter has them: open() raises DTR and RTS, close()
  // drops the ones the programmer did not itself leave asserted.
  bool setOutputLine(OutputLine line, bool asserted) override;
  std::optional<bool> inputLine(InputLine line) const override;
  bool watchInputLines(std::function<void()> handler) override;
  void stopWatchingInputLines() override { inputHandler_ = nullptr; }

  // The port behaves as a pseudo-terminal: no modem lines at all.
  void removeModemLines() { modemLines_ = false; }
  // The fixture's wiring: `line` drives the chip's supply, on when asserted
  // (or released, when `inverted`).
  void wireSupply(OutputLine line, bool inverted = false);
  bool outputLine(OutputLine line) const { return outputs_[index(line)]; }
  // The fixture changes an input line (a lid switch, a pedal); a watcher
  // hears of it.
  void setInputLine(InputLine line, bool active);
  // How often each output line changed, both ways.
  int outputChanges(OutputLine line) const { return outputChanges_[index(line)]; }

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
  static std::size_t index(OutputLine line) { return line == OutputLine::Dtr ? 0 : 1; }
  void driveOutput(OutputLine line, bool asserted);

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
  bool modemLines_ = true;
  std::array<bool, 2> outputs_{};
  std::array<bool, 2> held_{};  // asserted by the programmer: kept at close
  std::array<int, 2> outputChanges_{};
  std::array<bool, 4> inputs_{};
  std::function<void()> inputHandler_;
  std::optional<std::pair<OutputLine, bool>> supplyWiring_;
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
