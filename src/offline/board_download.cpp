#include "offline/board_download.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/frame.h"
#include "link/handshake.h"
#include "offline/block_crc_table.h"
#include "offline/board_messages.h"
#include "offline/image_placement.h"
#include "offline/limit_counter.h"
#include "ops/connect_sequence.h"
#include "ops/progress.h"
#include "ops/run_engine.h"
#include "platform/beep_alert.h"

namespace qrk {

namespace {

constexpr std::uint8_t kBoardSyncParameter = 0xF1;
constexpr int kBoardSyncWaitMs = 20;
constexpr int kResyncWaitMs = 50;
constexpr int kResyncPasses = 6;
constexpr int kQueryWaitMs = 300;
constexpr int kQueryTries = 4;
constexpr int kEraseWaitMs = 4000;
constexpr int kCommandTries = 6;
constexpr std::size_t kCapacityByte = 5;
constexpr std::size_t kVersionByte = 4;
constexpr std::int32_t kBytesPerKilobyte = 1024;

// The board is served in CRC frames at 115200 8N1 from just before it is
// connected until the sequence returns, however it returns: a later run on a
// target must get sum frames and its own baud rate back.
class BoardLine {
 public:
  explicit BoardLine(IspLink& link) : link_(link), savedBaud_(link.baud()) {
    link_.setBaud(IspLink::kDefaultBaud);
    link_.setUseCrc(true);
  }
  ~BoardLine() {
    link_.setUseCrc(false);
    link_.setBaud(savedBaud_);
  }
  BoardLine(const BoardLine&) = delete;
  BoardLine& operator=(const BoardLine&) = delete;

 private:
  IspLink& link_;
  int savedBaud_;
};

}  // namespace

BoardDownload::BoardDownload(Programmer& programmer, ProductionLoop& production)
    : p_(programmer), production_(production) {}

void BoardDownload::appendBelow(const std::string& text) { p_.pane().append("\r\n" + text); }

BoardDownloadResult BoardDownload::run(const std::string& limitText) {
  BoardDownloadResult result;
  p_.pane().replace("");
  if (!p_.image().fileLoaded) {
    p_.host().messageBox(std::string(kBoardOpenFileText), "", MessageButtons::Ok);
    result.refused = true;
    return result;
  }
  // The window offers the board's tab only for kind 2; anything else has no
  // board layout at all.
  if (p_.model().mapKind != MapKind::TopOfModel) {
    p_.host().messageBox(std::string(kBoardNotForModelText), "", MessageButtons::Ok);
    result.refused = true;
    return result;
  }
  if (!production_.runExclusive([&] { sequence(limitText, result); })) result.refused = true;
  return result;
}

void BoardDownload::sequence(const std::string& limitText, BoardDownloadResult& result) {
  stoppedByUser_ = false;
  const DownloadLimitCheck limit = checkDownloadLimit(limitText);
  if (!limit.counter) {
    p_.host().messageBox(limit.message, "", MessageButtons::Ok);
    result.refused = true;
    production_.stopRun();
    return;
  }
  image_.clearSentAreas();
  limit.counter->writeTo(image_);
  const BoardHeader header = BoardHeader::derive(p_.model(), p_.options(), p_.image().rangeHigh);
  if (!confirmDroppedData(header)) {
    result.cancelled = true;
    production_.stopRun();
    return;
  }
  p_.link().setMapKind(p_.model().mapKind);
  {
    const BoardLine line(p_.link());
    if (connectBoard(result)) {
      appendBelow(std::string(kBoardConnectOkText) + "\r\n");
      if (!buildBoardHeader(header)) {
        result.cancelled = true;
      } else {
        buildBlockCrcTable();
        placeImageInBoard(image_, header, p_.image());
        eraseAndDownload(result);
      }
    }
    result.stopped = stoppedByUser_;
    switchSupplyOff(result);
  }
  production_.stopRun();
}

void BoardDownload::closeLine() {
  // A line that powers the board is held as it was when the port closes.
  p_.supply().switchOffNow();
  p_.link().closePort();
}

void BoardDownload::switchSupplyOff(BoardDownloadResult& result) {
  const SupplyStep off = p_.supply().switchOff(p_.portName());
  if (off.ok()) return;
  appendBelow(kSupplyFailureLine + off.message);
  result.ok = false;
}

bool BoardDownload::supplyOn(const ConnectOutcome& connection, BoardDownloadResult& result) {
  if (!connection.supply || connection.supply->ok()) return true;
  const SupplyStep& on = *connection.supply;
  switch (on.ending) {
    case SupplyStep::Ending::Refused:
      // Told as the download's other refusals are: nothing has been sent.
      p_.host().messageBox(on.message, "", MessageButtons::Ok);
      result.refused = true;
      p_.link().closePort();
      break;
    case SupplyStep::Ending::Stopped:
      stopEnding();
      break;
    default:
      beepAlert(p_.host(), p_.loop());
      appendBelow(kSupplyFailureLine + on.message);
      closeLine();
      break;
  }
  return false;
}

bool BoardDownload::confirmDroppedData(const BoardHeader& header) {
  const auto dropped = findDroppedData(header, p_.image(), p_.loadChoices().fillByte);
  if (!dropped) return true;
  if (p_.host().messageBox(droppedDataWarning(*dropped), "", MessageButtons::YesNo) ==
      MessageAnswer::Yes) {
    return true;
  }
  cancel();
  return false;
}

void BoardDownload::cancel() { appendBelow(std::string(kBoardCancelledText)); }

void BoardDownload::stopEnding() {
  stoppedByUser_ = true;
  p_.host().beep();
  appendBelow("Operation is stop.");
  appendBelow("操作被停止.");
  production_.stopClicked();
}

bool BoardDownload::connectBoard(BoardDownloadResult& result) {
  IspLink& link = p_.link();
  p_.pane().replace("We are connecting ... ");
  appendBelow("正在连接...");
  appendBelow("Please turn power on.");
  appendBelow("请给脱机下载板上电。\r\n");
  link.closePort();
  const ConnectOutcome connection = openAndConnect(p_, kBoardSyncWaitMs, kBoardSyncParameter);
  if (!connection.portOpened) {
    p_.pane().append(kOpenFailureText);
    return false;
  }
  result.portOpened = true;
  if (!supplyOn(connection, result)) return false;
  if (link.stopRequested()) {
    stopEnding();
    return false;
  }
  if (!connection.connected) {
    appendBelow("Communication is failure!");
    appendBelow("连接失败。");
    closeLine();
    return false;
  }
  std::uint8_t capacityKb = 0;
  std::uint8_t versionByte = 0;
  if (!readBoardByte(cmd::kBoardCapacity, kCapacityByte, &capacityKb) ||
      !readBoardByte(cmd::kVersion, kVersionByte, &versionByte)) {
    return false;
  }
  boardCapacity_ = std::int32_t{capacityKb} * kBytesPerKilobyte;
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(versionByte));
  boardVersion_ = digits;
  result.connected = true;
  return true;
}

bool BoardDownload::readBoardByte(std::uint8_t command, std::size_t index, std::uint8_t* value) {
  IspLink& link = p_.link();
  std::optional<std::uint8_t> read;
  for (int attempt = 0; attempt < kQueryTries && !read; ++attempt) {
    if (link.stopRequested()) break;
    link.flushReceive();
    link.sendShortCommand(command, kQueryWaitMs, 0);
    const WaitOutcome outcome = link.waitReply();
    if (outcome == WaitOutcome::Stopped) break;
    // A reply too short to carry the byte is no answer to the query.
    if (outcome == WaitOutcome::Ready) read = link.takeReply().at(index);
  }
  if (link.stopRequested()) {
    stopEnding();
    return false;
  }
  if (!read) {
    appendBelow("Communication is failure!");
    appendBelow("连接失败。");
    closeLine();
    return false;
  }
  *value = *read;
  return true;
}

bool BoardDownload::buildBoardHeader(const BoardHeader& header) {
  header.writeTo(image_);
  if (p_.image().rangeHigh >= boardCapacity_ &&
      p_.host().messageBox(boardCapacityWarning(boardCapacity_), "", MessageButtons::YesNo) !=
          MessageAnswer::Yes) {
    cancel();
    return false;
  }
  return true;
}

void BoardDownload::buildBlockCrcTable() {
  Host& host = p_.host();
  p_.pane().append("we are  processing data, please wait...\r\n正在处理数据，请稍候...");
  host.setProgressRange(0, BlockCrcTable::kBlockCount - 1);
  host.setProgressValue(0);
  host.setProgressVisible(true);
  host.setKbyteText("");
  BlockCrcTable::build(image_, p_.image(), [&host](int k) { host.setProgressValue(k + 1); });
  host.setProgressVisible(false);
}

BoardDownload::Step BoardDownload::shortCommand(std::uint8_t command, int waitMs,
                                                std::uint8_t parameter, int tries) {
  IspLink& link = p_.link();
  for (int attempt = 0; attempt < tries; ++attempt) {
    if (link.stopRequested()) return Step::Stopped;
    link.flushReceive();
    link.sendShortCommand(command, waitMs, parameter);
    const WaitOutcome outcome = link.waitReply();
    if (outcome == WaitOutcome::Ready) return Step::Done;
    if (outcome == WaitOutcome::Stopped) return Step::Stopped;
  }
  return link.stopRequested() ? Step::Stopped : Step::Failed;
}

BoardDownload::Step BoardDownload::resynchronise() {
  for (int pass = 0; pass < kResyncPasses; ++pass) {
    const Step step =
        shortCommand(cmd::kHandshake, kResyncWaitMs, kBoardSyncParameter, kCommandTries);
    if (step != Step::Done) return step;
  }
  return Step::Done;
}

void BoardDownload::eraseAndDownload(BoardDownloadResult& result) {
  IspLink& link = p_.link();
  appendBelow("We are erasing all ...");
  appendBelow("正在擦除全片内容...");
  switch (shortCommand(cmd::kBoardErase, kEraseWaitMs, 0, kCommandTries)) {
    case Step::Stopped:
      return stopEnding();
    case Step::Failed:
      appendBelow("Erase application is failed.");
      appendBelow("擦除失败");
      return production_.stopClicked();
    case Step::Done:
      break;
  }
  appendBelow("We are download ...");
  appendBelow("正在下载 ...");

  const auto downloadFailed = [&] {
    beepAlert(p_.host(), p_.loop());
    appendBelow(std::string(kBoardDownloadFailedText));
    appendBelow("下载失败。");
  };
  Step step = transferArea(board::kUpperAreaFirst, board::kUpperAreaLast);
  if (step == Step::Stopped) return stopEnding();
  if (step == Step::Failed) {
    downloadFailed();
    closeLine();
    return;
  }
  step = shortCommand(cmd::kBoardFinish, link.replyWaitMs(), 0, kCommandTries);
  if (step == Step::Done) step = resynchronise();
  if (step == Step::Stopped) return stopEnding();
  if (step == Step::Failed) {
    appendBelow("Erase application is failed.");
    appendBelow("下载失败。");
    return production_.stopClicked();
  }
  step = transferArea(board::kLowerAreaFirst, board::kLowerAreaLast);
  if (step == Step::Stopped) return stopEnding();
  if (step == Step::Failed) return downloadFailed();
  appendBelow(std::string(kBoardDownloadOkText));
  result.ok = true;
}

BoardDownload::Step BoardDownload::transferArea(std::int32_t first, std::int32_t last) {
  Host& host = p_.host();
  showProgress(host, first, last + 1);
  host.setProgressValue(first);
  for (std::int32_t group = first; group <= last; group += kGroupSize) {
    const std::int32_t groupEnd = std::min(group + kGroupSize - 1, last);
    const int attempts = groupEnd == last ? kLastGroupAttempts : kGroupAttempts;
    bool sent = false;
    for (int attempt = 0; attempt < attempts && !sent; ++attempt) {
      sent = transferRange(group, groupEnd, attempt != 0);
      if (p_.link().stopRequested()) return Step::Stopped;
    }
    if (!sent) return Step::Failed;
    host.setProgressValue(groupEnd + 1);
    showKbytes(host, static_cast<double>(groupEnd - first + 1) / kBytesPerKilobyte);
  }
  hideProgress(host);
  return Step::Done;
}

bool BoardDownload::transferRange(std::int32_t first, std::int32_t last, bool resend) {
  for (std::int32_t block = first; block <= last; block += kFrameSize) {
    const std::int32_t count = std::min(kFrameSize, last - block + 1);
    if (p_.link().stopRequested() || !sendDataFrame(block, count, resend && block == first)) {
      return false;
    }
  }
  return true;
}

bool BoardDownload::sendDataFrame(std::int32_t address, std::int32_t count, bool mark) {
  IspLink& link = p_.link();
  // Board addresses fit 16 bits: the high half of the address is 0.
  std::vector<std::uint8_t> params = bigEndianFields(
      {{static_cast<std::uint32_t>(address), 4}, {static_cast<std::uint32_t>(count), 2}});
  const auto data = image_.range(address, address + count - 1);
  params.insert(params.end(), data.begin(), data.end());
  link.flushReceive();
  link.sendFrame(buildRequest(mark ? cmd::kBoardData : cmd::kBoardDataFirst, params, true, true),
                 link.replyWaitMs());
  const bool acknowledged =
      link.waitReply() == WaitOutcome::Ready && link.takeReply().at(3) == kAckCode;
  if (!acknowledged && p_.flags().closeRequested) p_.flags().failedWhileClosing = true;
  return acknowledged;
}

}  // namespace qrk
