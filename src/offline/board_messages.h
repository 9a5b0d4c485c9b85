#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qrk {

// Texts of the offline-board download that a front end may need to match.
inline constexpr std::string_view kBoardOpenFileText = "    Please open file./请打开文件。    ";
inline constexpr std::string_view kBoardNotForModelText =
    "The offline board programs only the models of the QRK5/3-xxA and QRK5/3-xxB families.\r\n"
    "脱机烧录板只能烧录 QRK5/3-xxA 和 QRK5/3-xxB 系列单片机。";
inline constexpr std::string_view kBoardConnectOkText = "Connect OK. / 连接成功。";
inline constexpr std::string_view kBoardDownloadOkText = "Download OK. / 下载成功。";
inline constexpr std::string_view kBoardDownloadFailedText = "Download is failure!";
inline constexpr std::string_view kBoardCancelledText =
    "Download is cancelled: nothing was erased or written.\r\n下载已取消, 未擦除或写入任何内容。";

// The warning when the loaded data reach the board's capacity (in bytes).
std::string boardCapacityWarning(std::int32_t capacityBytes);

// The legend of the board's eight LEDs: its title and text.
inline constexpr std::string_view kLedLegendTitle = "脱机烧录过程中的显示";
std::string ledLegendText();

}  // namespace qrk
