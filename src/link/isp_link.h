#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/map_kind.h"
#include "link/reply_assembler.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"

namespace qrk {

enum class WaitOutcome { Ready, Failed, TimedOut, Stopped };

// A reply frame as it was received: exactly its LEN bytes, never more. Fields
// are read with has()/at(), which only reach the bytes before the check, so a
// short frame can never be read past its data or mixed with bytes of an
// earlier frame.
struct Reply {
  std::vector<std::uint8_t> bytes;
  std::size_t fieldEnd = 0;  // index of the first check byte

  Reply() = default;
  Reply(std::vector<std::uint8_t> frameBytes, bool crc)
      : bytes(std::move(frameBytes)),
        fieldEnd(bytes.size() >= (crc ? 3U : 2U) ? bytes.size() - (crc ? 3U : 2U) : 0) {}

  std::size_t size() const { return bytes.size(); }
  bool has(std::size_t index) const { return index < fieldEnd; }
  // The byte at `index`; nullopt when the frame's data does not reach it.
  std::optional<std::uint8_t> at(std::size_t index) const {
    if (!has(index)) return std::nullopt;
    return bytes[index];
  }
  // Big-endian 16-bit field at index, index+1.
  std::optional<unsigned> word(std::size_t index) const {
    if (!has(index + 1)) return std::nullopt;
    return static_cast<unsigned>(bytes[index] << 8 | bytes[index + 1]);
  }
};

enum class TraceDirection { Sent, Received };
// Every frame sent and every chunk received, with the loop's clock in ms.
using TraceSink =
    std::function<void(TraceDirection, std::int64_t ms, std::span<const std::uint8_t>)>;

// The one serial link to a target's bootloader (or the offline board): opens
// and closes the port, sends frames, assembles replies from receive events and
// runs the two time-outs. Flags behave like the window's fields: a command
// clears them, the receive handler and the timers set them, waitReply() waits
// for any of them or for Stop.
class IspLink {
 public:
  static constexpr int kDefaultReplyWaitMs = 700;
  static constexpr int kDefaultGapMs = 20;
  static constexpr int kDefaultBaud = 115200;
  // A wait never outlasts this many reply waits (plus a margin for the longest
  // frame), however the line behaves: a device that keeps sending broken
  // frames cannot hold a run forever.
  static constexpr int kOverallWaitFactor = 4;
  static constexpr int kOverallWaitMarginMs = 100;

  IspLink(SerialPort& port, EventLoop& loop);
  ~IspLink();
  IspLink(const IspLink&) = delete;
  IspLink& operator=(const IspLink&) = delete;

  // --- port ---------------------------------------------------------------
  // Closes a port left open, opens `portName` 8N1 at the baud rate and empties
  // both queues, then configures it. False with the system's reason on failure;
  // reporting it is the caller's business.
  bool openPort(const std::string& portName, std::string* error = nullptr);
  // Empties the queues and resets reception.
  void configurePort();
  // Drops stale input before a command is repeated.
  void flushReceive();
  // Closes the port; returns whether it is still open.
  bool closePort();
  bool isOpen() const;
  void setBaud(int baud) { baud_ = baud; }
  int baud() const { return baud_; }

  // --- frame mode and family -------------------------------------------------
  void setUseCrc(bool useCrc) { useCrc_ = useCrc; }
  bool useCrc() const { return useCrc_; }
  // The map kind of the selected model, the family byte of every short frame.
  void setMapKind(MapKind mapKind) { mapKind_ = mapKind; }
  MapKind mapKind() const { return mapKind_; }

  // --- sending ---------------------------------------------------------------
  // Each send clears the reply state (and drops bytes left over from an earlier
  // frame), arms the reply wait with `waitMs` and writes the whole frame at once.
  void sendShortCommand(std::uint8_t command, int waitMs, std::uint8_t parameter);
  void sendFrame(std::span<const std::uint8_t> frameBytes, int waitMs);
  // Waits for one more frame without sending anything: bytes that arrived
  // after the previous frame (in the same burst or since) start this reply.
  void expectAnotherFrame(int waitMs);

  // --- waiting ---------------------------------------------------------------
  // Yields to the event loop until a reply is ready, failed or timed out, or
  // Stop was requested. Never spins.
  WaitOutcome waitReply();
  bool replyReady() const { return replyReady_; }
  bool replyFailed() const { return replyFailed_; }
  bool replyTimedOut() const { return replyTimedOut_; }
  // The last complete frame (ready or failed); empty when none.
  Reply takeReply() const;

  // --- stop ------------------------------------------------------------------
  void requestStop() { stopRequested_ = true; }
  void clearStop() { stopRequested_ = false; }
  bool stopRequested() const { return stopRequested_; }

  // --- timing ----------------------------------------------------------------
  int replyWaitMs() const { return replyWaitMs_; }
  int gapMs() const { return gapMs_; }
  void setReplyWaitMs(int ms) { replyWaitMs_ = ms; }
  void setGapMs(int ms) { gapMs_ = ms; }
  void setTimingDefaults();

  void setTraceSink(TraceSink sink) { trace_ = std::move(sink); }
  EventLoop& loop() { return loop_; }

 private:
  void resetReplyState();
  void armReplyWait(int waitMs);
  void onReceive();
  void feed(std::span<const std::uint8_t> chunk);
  void onReplyWaitExpired();
  void onGapExpired();
  void onOverallLimit();

  SerialPort& port_;
  EventLoop& loop_;
  std::unique_ptr<Timer> replyTimer_;    // the reply wait
  std::unique_ptr<Timer> gapTimer_;      // the gap between reply bytes
  std::unique_ptr<Timer> overallTimer_;  // the ceiling on one wait
  ReplyAssembler assembler_;
  int baud_ = kDefaultBaud;
  bool useCrc_ = false;
  MapKind mapKind_ = MapKind::FixedIspBlock;
  int replyWaitMs_ = kDefaultReplyWaitMs;
  int gapMs_ = kDefaultGapMs;
  int currentWaitMs_ = kDefaultReplyWaitMs;
  bool replyReady_ = false;
  bool replyFailed_ = false;
  bool replyTimedOut_ = false;
  bool stopRequested_ = false;
  TraceSink trace_;
};

}  // namespace qrk
