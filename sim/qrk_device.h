#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "sim/chip_models.h"
#include "sim/fault.h"
#include "sim/line_device.h"
#include "sim/reply_line.h"
#include "sim/request_reader.h"

namespace qrk::sim {

// One data frame (command 0x03 or 0x04) as the device received it.
struct DataFrameRecord {
  std::uint8_t command = 0;
  std::uint16_t address = 0;
  std::uint16_t count = 0;
  bool operator==(const DataFrameRecord&) const = default;
};

struct DeviceOptions {
  // Handshakes ignored before the chip counts as switched on; until then it
  // answers nothing at all.
  int powerOnAfter = 0;
  std::uint8_t version = 0x32;
  // The ID the chip reports; nullopt: its model's ID in the chip table, or
  // QrkDevice::kNoIdReport for kind-0 models, which carry none.
  std::optional<std::uint16_t> id;
  // From the last byte of a request to the start of its reply.
  std::int64_t responseDelayUs = 100;
  // From the blank-check acknowledgement to its result.
  std::int64_t blankCheckReadUs = 5'000;
  // Every byte, both ways, takes its 8N1 time at 115200 baud (86.8 us).
  bool baudEmulation = false;
  std::vector<Fault> faults;
  // How hard the timing faults hit.
  std::int64_t splitPauseUs = 5'000;
  std::int64_t gapPauseUs = 30'000;
  std::int64_t slowExtraUs = 800'000;
  // The fixture switches the chip's supply (switchSupply): it starts off,
  // answers nothing while off, and after power-on enters its bootloader only
  // on a handshake within the boot window; otherwise it runs its application
  // and stays silent until the next power cycle.
  bool supplySwitched = false;
  std::int64_t bootWindowUs = 300'000;

  // Chainable, for a one-line set-up:
  //   DeviceOptions().withPowerOnAfter(30).withFault("bad-ack:1")
  DeviceOptions& withPowerOnAfter(int handshakes) {
    powerOnAfter = handshakes;
    return *this;
  }
  DeviceOptions& withVersion(std::uint8_t v) {
    version = v;
    return *this;
  }
  DeviceOptions& withId(std::uint16_t v) {
    id = v;
    return *this;
  }
  DeviceOptions& withResponseDelayUs(std::int64_t us) {
    responseDelayUs = us;
    return *this;
  }
  DeviceOptions& withBlankCheckReadUs(std::int64_t us) {
    blankCheckReadUs = us;
    return *this;
  }
  DeviceOptions& withBaudEmulation(bool on = true) {
    baudEmulation = on;
    return *this;
  }
  DeviceOptions& withSwitchedSupply(std::int64_t bootWindowMs = 300) {
    supplySwitched = true;
    bootWindowUs = bootWindowMs * 1000;
    return *this;
  }
  DeviceOptions& withFault(const Fault& fault) {
    faults.push_back(fault);
    return *this;
  }
  // The fault in qrksim's --fault notation; throws std::invalid_argument when
  // it does not parse.
  DeviceOptions& withFault(std::string_view text);
};

// The ISP bootloader of one QRK chip, on a timeline: receive() takes what the
// programmer wrote and returns the device's bytes with the instant each is
// due. Frames are answered the moment their last byte has arrived (plus the
// response delay); the chip's state changes at once.
//
// Behaviour where the programmer leaves the device open:
// - A frame is ignored (no reply) when its sum or end byte is wrong, when its
//   length does not suit its command (short commands and the option write are
//   8 bytes, a read 12, a page-sum request 14, a data frame N + 12), and when
//   its command is unknown, a board command, or 0x82 (stop). The family byte
//   of short frames is not checked.
// - Reply codes: 0x80 for the handshake and data acknowledgements, 0x0C for
//   the version; every other reply echoes its command code.
// - Replies: handshake 68 00 06 80 EE 16; erase an empty acknowledgement;
//   blank-check acknowledgement empty, its result four bytes: FF FF FF FF when
//   blank, else the 24-bit address and the byte; option write echoes the two
//   bytes; ID low byte then high byte.
// - Kind-0 chips carry no ID and report kNoIdReport (FFFF).
// - The flash spans 0 .. topAddress of the model. Reads and page sums see
//   0xFF beyond it; data bytes beyond it are dropped (still acknowledged).
//   Data frames do not wrap at 0x10000.
// - A read returns at most kMaxReadCount bytes (a reply fills the 531-byte
//   receive buffer) and echoes the count it returns; a page-sum reply covers
//   at most kMaxPageSums pages from the first one, and none when the last
//   address is below the first.
// - Replies never overlap on the line: a reply due while another is being
//   sent follows it.
class QrkDevice : public LineDevice {
 public:
  static constexpr std::uint16_t kNoIdReport = 0xFFFF;
  static constexpr std::size_t kMaxReadCount = 519;
  static constexpr std::size_t kMaxPageSums = 262;

  explicit QrkDevice(const ChipModel& model, DeviceOptions options = {});
  // Throws std::invalid_argument when `modelName` names no catalogue row.
  static QrkDevice forModel(std::string_view modelName, DeviceOptions options = {});

  // The programmer wrote `bytes` at `nowUs`. Returns the device's output in
  // order of instant, never before nowUs; bytes due at one instant form one
  // chunk. Later calls never return instants before earlier ones.
  std::vector<TimedChunk> receive(std::span<const std::uint8_t> bytes, std::int64_t nowUs) override;

  void switchSupply(bool on, std::int64_t nowUs) override;
  // Called when a handshake brings the chip into its bootloader after a
  // power-on, with the time since the power-on.
  void setBootObserver(std::function<void(std::int64_t sincePowerOnUs)> observer) {
    bootObserver_ = std::move(observer);
  }
  bool supplyOn() const { return !options_.supplySwitched || supplyOn_; }
  int powerCycles() const { return powerCycles_; }
  // The instant of the last power-on.
  std::int64_t poweredAtUs() const { return poweredAtUs_; }
  // Power-ons whose boot window passed without a handshake.
  int missedBootWindows() const { return missedBootWindows_; }

  void addFault(const Fault& fault);
  void setBaudEmulation(bool on) { options_.baudEmulation = on; }
  const DeviceOptions& options() const { return options_; }
  const ChipModel& model() const { return *model_; }

  // --- state, for tests and for qrksim's files ------------------------------
  // Writes here bypass the stuck cell of a not-blank fault; loadFlash does not.
  std::span<std::uint8_t> flash() { return flash_; }
  std::span<const std::uint8_t> flash() const { return flash_; }
  // 0xFF beyond the model's space.
  std::uint8_t flashByte(std::uint64_t address) const;
  // Stores `bytes` from `address` on, dropping what lies beyond the space.
  void loadFlash(std::uint32_t address, std::span<const std::uint8_t> bytes);
  void loadFlash(std::uint32_t address, std::initializer_list<std::uint8_t> bytes) {
    loadFlash(address, std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
  }
  std::array<std::uint8_t, 2>& optionBytes() { return optionBytes_; }
  const std::array<std::uint8_t, 2>& optionBytes() const { return optionBytes_; }
  std::uint16_t id() const { return id_; }

  bool poweredOn() const { return handshakesIgnored_ >= options_.powerOnAfter; }
  int handshakesIgnored() const { return handshakesIgnored_; }
  // Good frames seen with this command code, answered or not.
  int commandCount(std::uint8_t command) const { return commandCounts_[command]; }
  const std::vector<DataFrameRecord>& dataFrames() const { return dataFrames_; }
  // Frames dropped for a bad sum, end byte or length, or left incomplete.
  int rejectedFrames() const { return reader_.rejectedFrames(); }

 private:
  struct Reply {
    std::uint8_t command = 0;  // of the request answered
    bool isResult = false;     // the blank-check result, second frame of 0x09
    std::uint8_t code = 0;
    std::vector<std::uint8_t> data;
  };

  void handle(const SeenRequest& request, std::vector<TimedChunk>& out);
  void send(Reply reply, std::int64_t dueUs, std::vector<TimedChunk>& out);
  void eraseAll();
  void pinStuckCells();
  std::vector<std::uint8_t> readReply(std::span<const std::uint8_t> request) const;
  std::vector<std::uint8_t> pageSums(std::span<const std::uint8_t> request) const;
  std::optional<Reply> storeDataFrame(std::span<const std::uint8_t> request);
  std::vector<std::uint8_t> blankCheckResult() const;

  const ChipModel* model_;
  DeviceOptions options_;
  std::vector<std::uint8_t> flash_;
  std::array<std::uint8_t, 2> optionBytes_{0xFF, 0xFF};
  std::uint16_t id_ = kNoIdReport;
  RequestReader reader_;
  int handshakesIgnored_ = 0;
  std::array<int, 256> commandCounts_{};
  std::vector<DataFrameRecord> dataFrames_;
  ReplyLine line_;
  std::int64_t rxFreeUs_ = 0;  // the programmer's line is busy until then
  bool supplyOn_ = false;
  bool inBootloader_ = false;
  std::int64_t poweredAtUs_ = 0;
  int powerCycles_ = 0;
  int missedBootWindows_ = 0;
  std::function<void(std::int64_t)> bootObserver_;
};

}  // namespace qrk::sim
