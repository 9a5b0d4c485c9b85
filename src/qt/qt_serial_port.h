#pragma once

#include <QDeadlineTimer>
#include <QSerialPort>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/serial_port.h"
#include "qt/modem_line_watcher.h"
#include "qt/port_directory.h"

namespace qrk {

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
  bool setOutputLine(OutputLine line, bool asserted) override;
  std::optional<bool> inputLine(InputLine line) const override;
  bool watchInputLines(std::function<void()> handler) override;
  void stopWatchingInputLines() override;

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
  std::unique_ptr<ModemLineWatcher> lineWatcher_;
  // Lines the programmer left asserted: kept so through close(), as the
  // system would drop them when it hangs the port up.
  bool dtrHeld_ = false;
  bool rtsHeld_ = false;
  std::string lastOpenError_;
  bool lowLatency_ = false;
  std::string lowLatencyRefusal_;
};

}  // namespace qrk
