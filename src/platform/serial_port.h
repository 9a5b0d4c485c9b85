#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace qrk {

// The one serial line a run talks over. Implementations: QSerialPort in the
// application, the in-process simulator in tests. All calls and the receive
// handler run on the event thread.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens `name` at `baud`, 8 data bits, no parity, 1 stop bit. On failure
  // returns false and puts the system's reason into *error.
  virtual bool open(const std::string& name, int baud, std::string* error) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;

  // Queues the bytes for sending; false when the port refused them.
  virtual bool write(std::span<const std::uint8_t> bytes) = 0;
  // Takes every byte waiting in the receive queue.
  virtual std::vector<std::uint8_t> readAll() = 0;
  virtual std::size_t bytesAvailable() const = 0;
  virtual void discardInput() = 0;
  virtual void discardOutput() = 0;

  // Called whenever new bytes are waiting. Replaces any earlier handler.
  virtual void setReceiveHandler(std::function<void()> handler) = 0;
};

}  // namespace qrk
