#include "sim/fault.h"

#include <array>

#include "image/number_text.h"
#include "sim/wire_frame.h"

namespace qrk::sim {

namespace {

struct FaultRow {
  FaultKind kind;
  std::string_view name;
  bool scoped;  // may hit any reply, so @SCOPE applies
  std::string_view help;
};

constexpr std::array kFaultRows = {
    FaultRow{FaultKind::Split, "split", true,
             "reply comes in pieces (1 byte, 2 bytes, two halves), 5 ms apart"},
    FaultRow{FaultKind::Gap, "gap", true, "a 30 ms pause in the middle of the reply"},
    FaultRow{FaultKind::Burst, "burst", false,
             "blank-check result sent right behind its acknowledgement, one burst"},
    FaultRow{FaultKind::BadCheck, "bad-check", true, "check byte off by one"},
    FaultRow{FaultKind::BadEnd, "bad-end", true, "end byte 0x15 instead of 0x16"},
    FaultRow{FaultKind::Overlong, "overlong", true,
             "declared length 0x0300; 600 bytes sent (the frame, then 00 padding)"},
    FaultRow{FaultKind::Garbage, "garbage", true, "bytes 00 FF 55 AA 16 before the 0x68"},
    FaultRow{FaultKind::Drop, "drop", true, "no reply"},
    FaultRow{FaultKind::Slow, "slow", true, "reply 800 ms late; later replies queue behind it"},
    FaultRow{FaultKind::WrongId, "wrong-id", false,
             "ID reply carries the complement of the chip's ID"},
    FaultRow{FaultKind::BadAck, "bad-ack", false,
             "data acknowledgement with a wrong data sum (sum + 1)"},
    FaultRow{FaultKind::NotBlank, "not-blank", false,
             "flash cell stuck at 00 that erasing cannot clear; ARG = its hex address"},
};

const FaultRow* findRow(std::string_view name) {
  for (const FaultRow& row : kFaultRows) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

bool fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

bool parseReplyArg(std::string_view arg, Fault& fault, std::string* error) {
  if (arg == "all") {
    fault.nth = 1;
    fault.andLater = true;
    return true;
  }
  if (!arg.empty() && arg.back() == '+') {
    fault.andLater = true;
    arg.remove_suffix(1);
  }
  const auto n = parseDigits(arg, 10, 9);
  if (!n || *n < 1) {
    return fail(error, "fault " + std::string(faultName(fault.kind)) +
                           ": ARG must be N, N+ or all (N from 1), not \"" + std::string(arg) +
                           "\"");
  }
  fault.nth = *n;
  return true;
}

bool parseScope(std::string_view scope, Fault& fault, std::string* error) {
  if (scope == "data") {
    fault.commands = {cmd::kData, cmd::kDataRestart};
    return true;
  }
  const auto code = parseDigits(scope, 16, 2);
  if (!code) {
    return fail(error, "fault " + std::string(faultName(fault.kind)) +
                           ": scope must be a hex command code (e.g. 0A) or data, not \"" +
                           std::string(scope) + "\"");
  }
  fault.commands = {static_cast<std::uint8_t>(*code)};
  return true;
}

}  // namespace

std::string_view faultName(FaultKind kind) {
  for (const FaultRow& row : kFaultRows) {
    if (row.kind == kind) return row.name;
  }
  return "?";
}

std::optional<Fault> parseFault(std::string_view text, std::string* error) {
  std::string_view scope;
  bool hasScope = false;
  if (const auto at = text.find('@'); at != std::string_view::npos) {
    scope = text.substr(at + 1);
    text = text.substr(0, at);
    hasScope = true;
  }
  std::string_view arg;
  bool hasArg = false;
  if (const auto colon = text.find(':'); colon != std::string_view::npos) {
    arg = text.substr(colon + 1);
    text = text.substr(0, colon);
    hasArg = true;
  }
  const FaultRow* row = findRow(text);
  if (row == nullptr) {
    fail(error, "unknown fault \"" + std::string(text) + "\" (see --help for the list)");
    return std::nullopt;
  }
  Fault fault = Fault::nthReply(row->kind, 1);
  if (hasScope && !row->scoped) {
    fail(error, "fault " + std::string(row->name) + " takes no @scope");
    return std::nullopt;
  }
  if (hasScope && !parseScope(scope, fault, error)) return std::nullopt;
  if (row->kind == FaultKind::NotBlank) {
    if (hasArg) {
      const auto address = parseDigits(arg, 16, 5);
      if (!address) {
        fail(error, "fault not-blank: ARG must be a hex address of up to 5 digits, not \"" +
                        std::string(arg) + "\"");
        return std::nullopt;
      }
      fault.cellAddress = *address;
    }
    return fault;
  }
  if (hasArg && !parseReplyArg(arg, fault, error)) return std::nullopt;
  return fault;
}

std::string faultHelpText() {
  std::string text;
  for (const FaultRow& row : kFaultRows) {
    std::string name(row.name);
    name.resize(11, ' ');
    text += "  " + name + std::string(row.help) + "\n";
  }
  return text;
}

}  // namespace qrk::sim
