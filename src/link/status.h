#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qrk {

// Why an operation on the target did not succeed: a closed set, so that the
// Re-Run delay, the exit status, the events and the record decide on the
// reason itself and never on the words the pane used for it.
enum class Reason : std::uint8_t {
  None,          // it succeeded
  NoAnswer,      // the chip never answered (or never acceptably)
  WrongId,       // the chip's ID is not the model's
  NotBlank,      // a blank check found programmed bytes
  Mismatch,      // what was read back differs from the image
  Refused,       // a data frame was answered but not acknowledged
  Port,          // the port could not be opened or was lost
  Stopped,       // the user stopped the run
  File,          // the image cannot be used (none loaded, out of reach, reload failed)
  SerialNumber,  // the serial number could not be taken, stamped or advanced
  Record,        // the production record could not be written
  Usage,         // the run was asked for what it cannot do (bad arguments, an unknown function)
  Fixture,       // the fixture's supply switch or start command failed
};

// "no-answer", "wrong-id", ...: the words the events and the record carry.
// Empty for Reason::None.
std::string_view reasonCode(Reason reason);
std::optional<Reason> reasonFromCode(std::string_view code);

// What an operation on the target did: success, or the reason it failed with
// what the pane said about it (its first line that names the failure) and
// the details a reader may need to act on.
struct Status {
  Reason reason = Reason::None;
  std::string text;  // the pane line that says why; empty on success
  // Mismatch and NotBlank: the first address that differs, what the image
  // holds there (0xFF for a blank check) and what the chip holds. A page-sum
  // verify gives its page's first address and 16-bit sums.
  std::optional<std::int32_t> address;
  std::optional<std::uint32_t> expected;
  std::optional<std::uint32_t> actual;
  std::string idRead;  // WrongId: the four hex digits the chip reported

  bool ok() const { return reason == Reason::None; }
  // A definite answer from the chip: asking again would change nothing.
  bool isVerdict() const {
    return reason == Reason::WrongId || reason == Reason::NotBlank || reason == Reason::Mismatch;
  }

  static Status success() { return {}; }
  static Status failure(Reason reason, std::string text = {}) {
    Status s;
    s.reason = reason;
    s.text = std::move(text);
    return s;
  }
  // Keeps the reason and details, with the line a caller reports it by.
  Status withText(std::string line) && {
    text = std::move(line);
    return std::move(*this);
  }
};

}  // namespace qrk
