#pragma once

#include <cstdint>
#include <string>

#include "offline/board_header.h"
#include "offline/board_image.h"
#include "ops/connect_sequence.h"
#include "ops/production_loop.h"
#include "ops/programmer.h"

namespace qrk {

// How a download ended, for a front end that must not guess from the pane.
struct BoardDownloadResult {
  bool refused = false;    // no file, no board for the model, or a bad limit: nothing sent
  bool cancelled = false;  // the user answered No to a warning: nothing erased or written
  bool portOpened = false;
  bool connected = false;
  bool stopped = false;  // by the user's Stop, not by a failure's stop handling
  bool ok = false;       // "Download OK." was printed: the board holds the whole image
};

// The host side of loading the offline programming board: checks
// the limit, connects to the board in CRC frames, reads its capacity and
// version, assembles the BoardImage, erases the board and sends the image in
// two areas of data frames with group retries and progress. It runs as a run
// of the production loop: the controls are held until it has returned, and
// the loop's Stop ends it.
class BoardDownload {
 public:
  static constexpr int kGroupSize = 512;
  static constexpr int kFrameSize = 128;
  static constexpr int kGroupAttempts = 6;
  static constexpr int kLastGroupAttempts = 3;

  BoardDownload(Programmer& programmer, ProductionLoop& production);

  // The whole download with the typed limit. Messages go
  // to the pane, questions and refusals to message boxes.
  BoardDownloadResult run(const std::string& limitText);

  // Bytes of storage the board reported (its KB times 1024); 0 before.
  std::int32_t boardCapacity() const { return boardCapacity_; }
  // Two hex digits of the board's version byte; empty before.
  const std::string& boardVersion() const { return boardVersion_; }
  const BoardImage& image() const { return image_; }

 private:
  enum class Step { Done, Failed, Stopped };

  void sequence(const std::string& limitText, BoardDownloadResult& result);
  bool confirmDroppedData(const BoardHeader& header);
  bool connectBoard(BoardDownloadResult& result);
  // Whether the board's supply went on (or is not the programmer's to
  // switch); otherwise says why and ends the connection.
  bool supplyOn(const ConnectOutcome& connection, BoardDownloadResult& result);
  void switchSupplyOff(BoardDownloadResult& result);
  // Closes the port with a supply line switched off first.
  void closeLine();
  bool readBoardByte(std::uint8_t command, std::size_t index, std::uint8_t* value);
  bool buildBoardHeader(const BoardHeader& header);
  void buildBlockCrcTable();
  void eraseAndDownload(BoardDownloadResult& result);
  Step shortCommand(std::uint8_t command, int waitMs, std::uint8_t parameter, int tries);
  Step resynchronise();
  Step transferArea(std::int32_t first, std::int32_t last);
  bool transferRange(std::int32_t first, std::int32_t last, bool resend);
  bool sendDataFrame(std::int32_t address, std::int32_t count, bool mark);
  void appendBelow(const std::string& text);
  void stopEnding();
  void cancel();

  Programmer& p_;
  ProductionLoop& production_;
  BoardImage image_;
  std::int32_t boardCapacity_ = 0;
  std::string boardVersion_;
  bool stoppedByUser_ = false;
};

}  // namespace qrk
