#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrk::sim {

// What can go wrong on the simulated line or chip. Each kind has one name,
// used by `qrksim --fault KIND[:ARG][@SCOPE]` and by parseFault().
enum class FaultKind {
  Split,     // "split": the reply comes in pieces (1 byte, 2 bytes, then two halves), 5 ms apart
  Gap,       // "gap": a 30 ms pause in the middle of the reply
  Burst,     // "burst": the blank-check result follows its acknowledgement in the same burst
  BadCheck,  // "bad-check": check byte off by one
  BadEnd,    // "bad-end": end byte 0x15 instead of 0x16
  Overlong,  // "overlong": declared length 0x0300, 600 bytes sent (frame, then 0x00 padding)
  Garbage,   // "garbage": 00 FF 55 AA 16 in front of the 0x68, in the same chunk
  Drop,      // "drop": no reply at all
  Slow,      // "slow": the reply comes 800 ms late (later replies queue behind it)
  WrongId,   // "wrong-id": the ID reply carries the complement of the chip's ID
  BadAck,    // "bad-ack": a data acknowledgement with a wrong data sum (sum + 1)
  NotBlank,  // "not-blank": a flash cell stuck at 0x00 that erasing cannot clear
};

// A fault that hits replies: the Nth reply in its scope, the Nth and every
// later one, or all of them. NotBlank is a state of the chip instead and uses
// `cellAddress`.
struct Fault {
  FaultKind kind = FaultKind::Drop;
  int nth = 1;            // 1-based index of the first reply hit
  bool andLater = false;  // also every reply after the nth
  // Commands whose replies count; empty: the kind's natural scope (every
  // command but the handshake; 0x09 results for Burst; 0x0A for WrongId;
  // 0x03 and 0x04 for BadAck).
  std::vector<std::uint8_t> commands;
  std::uint32_t cellAddress = 0x0100;  // NotBlank only

  static Fault every(FaultKind kind) { return Fault{kind, 1, true, {}, 0x0100}; }
  static Fault nthReply(FaultKind kind, int n) { return Fault{kind, n, false, {}, 0x0100}; }
  static Fault stuckCell(std::uint32_t address) {
    return Fault{FaultKind::NotBlank, 1, false, {}, address};
  }
};

std::string_view faultName(FaultKind kind);

// Parses "KIND[:ARG][@SCOPE]":
//   ARG    N (only the Nth reply in scope, 1-based), N+ (the Nth and every
//          later one) or "all" (every one); default 1. For not-blank: the
//          stuck cell's address in hex (default 0100).
//   SCOPE  HH (replies to the command with that hex code) or "data" (0x03
//          and 0x04); only for the kinds that can hit any reply.
// Returns nullopt with a one-line reason in *error on bad text.
std::optional<Fault> parseFault(std::string_view text, std::string* error);

// The lines that describe every fault kind, for `qrksim --help`.
std::string faultHelpText();

}  // namespace qrk::sim
