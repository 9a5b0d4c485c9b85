#pragma once

#include <QDeadlineTimer>
#include <QSerialPort>
#include <functional>
#include <optional>
#include <string>

#include "platform/serial_port.h"

namespace qrk {

// "COM<n>" (any letter case, n >= 1) names the n-th serial device of this
// machine, counted in the order of their device paths; anything else is taken
// as a device path (a pseudo-terminal included). Returns the number n, or
// nullopt when `name` is not a COM name.
std::optional<int> comPortNumber(const std::string& name);

// Resolves a port name as open() does: a COM name to the device path it
// stands for, any other name unchanged. False, with the reason in *error,
// when the machine has no such COM port.
bool resolvePortName(const std::string& name, std::string* devicePath, std::string* error);

// The serial line over QSerialPort. Writes are pushed to the device at once,
// and close() waits (boundedly) until every queued byte has left, so that the
// last frame of a run is never dropped or sent at another speed. Modem-line calls are best effort:
// a pseudo-terminal has no DTR/RTS, and a failure there must not end a run.
class QtSerialPort : public SerialPort {
 public:
  // The longest close() waits for queued bytes to leave.
  static constexpr int kCloseDrainLimitMs = 1000;

  QtSerialPort();
  ~QtSerialPort() override;
  QtSerialPort(const QtSerialPort&) = delete;
  QtSerialPort& operator=(const QtSerialPort&) = delete;

  bool open(const std::string& name, int baud, std::string* error) override;
  void close() override;
  bool isOpen() const override;
  bool write(std::span<const std::uint8_t> bytes) override;
  std::vector<std::uint8_t> readAll() override;
  std::size_t bytesAvailable() const override;
  void discardInput() override;
  void discardOutput() override;
  void setReceiveHandler(std::function<void()> handler) override;

  // The reason the last open() failed; empty after a successful one.
  const std::string& lastOpenError() const { return lastOpenError_; }
  // Whether the driver of the open port hands bytes over without batching
  // them; when not, the reason the driver gave.
  bool lowLatency() const { return lowLatency_; }
  const std::string& lowLatencyRefusal() const { return lowLatencyRefusal_; }

 private:
  void onError(QSerialPort::SerialPortError error);
  // Waits, until `deadline` at most, for every queued byte to leave: Qt's
  // buffer and the driver's.
  void drainOutput(QDeadlineTimer deadline);

  QSerialPort port_;
  std::function<void()> onReceive_;
  std::string lastOpenError_;
  bool lowLatency_ = false;
  std::string lowLatencyRefusal_;
};

}  // namespace qrk
