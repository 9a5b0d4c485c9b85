#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qrk {

// The modem lines a fixture can be wired to: the two the programmer drives,
// the four it can watch.
enum class OutputLine { Dtr, Rts };
enum class InputLine { Cts, Dsr, Dcd, Ri };

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

  // Modem lines. A port without them (a pseudo-terminal, a bare adapter)
  // answers false / nullopt, so a caller that relies on a line can refuse
  // before anything goes out instead of running without it.
  //
  // Asserts or releases an output line of the open port; false when the port
  // has no such line. A line the caller left asserted stays asserted after
  // close() where the system allows it, so an inverted supply switch keeps
  // the target off between runs.
  virtual bool setOutputLine(OutputLine, bool /*asserted*/) { return false; }
  // Whether an input line is active now; nullopt when it cannot be read.
  virtual std::optional<bool> inputLine(InputLine) const { return std::nullopt; }
  // Asks for `handler` to be called, on the event thread, whenever an input
  // line may have changed, until stopWatchingInputLines() or close(). False
  // when this port cannot report changes.
  virtual bool watchInputLines(std::function<void()> /*handler*/) { return false; }
  virtual void stopWatchingInputLines() {}
};

std::string_view outputLineName(OutputLine line);
std::string_view inputLineName(InputLine line);

}  // namespace qrk
