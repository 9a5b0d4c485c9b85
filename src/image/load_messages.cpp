#include "image/load_messages.h"

#include <algorithm>

namespace qrk {

namespace {

// A damaged file can fail thousands of records; a user answers a few boxes, then
// one that counts the rest, not an endless stream of them.
constexpr std::size_t kChecksumBoxes = 10;
constexpr std::size_t kListedRejections = 20;

struct RegionText {
  std::string_view english;
  std::string_view chinese;
};

constexpr RegionText kOver{"    File over the valid scope.",
                           "文件超出有效空间, 超出的部分已丢失。"};
constexpr RegionText kDataMemory{" Data Memory contain procedure or datas.",
                                 "      Data Memory 空间有数据。"};
constexpr std::string_view kIspBlockEnglish = "ISP or Block1 contain procedure or datas.";
constexpr std::string_view kIspBlockChineseHex = "    ISP or Block1 空间有程序或数据。";
constexpr std::string_view kIspBlockChineseBin = "    ISP 或 Block1 空间有程序或数据。";

void appendWarning(std::string& msg, std::string_view english, std::string_view chinese) {
  if (!msg.empty()) msg += "\r\n\r\n";
  msg.append(english).append("\r\n").append(chinese);
}

}  // namespace

std::string regionWarningText(const RegionFlags& flags, FileFormat format) {
  std::string msg;
  if (flags.over) appendWarning(msg, kOver.english, kOver.chinese);
  if (flags.dataMemory) appendWarning(msg, kDataMemory.english, kDataMemory.chinese);
  if (flags.ispBlock) {
    appendWarning(msg, kIspBlockEnglish,
                  format == FileFormat::Hex ? kIspBlockChineseHex : kIspBlockChineseBin);
  }
  if (!msg.empty()) msg += "\r\n\r\n             按确定继续。";
  return msg;
}

std::vector<LoadMessage> loadMessages(const ReadResult& read, FileFormat format,
                                      const std::string& path) {
  std::vector<LoadMessage> messages;
  const std::size_t shown = std::min(kChecksumBoxes, read.checksumFailures.size());
  for (std::size_t i = 0; i < shown; ++i) {
    messages.push_back({path, "Checksum\r\n\r\n" + read.checksumFailures[i]});
  }
  if (read.checksumFailureCount > static_cast<std::int64_t>(shown)) {
    const std::string more =
        std::to_string(read.checksumFailureCount - static_cast<std::int64_t>(shown));
    messages.push_back({path, "Checksum\r\n\r\n" + more +
                                  " more records failed the checksum test; they were loaded "
                                  "as read.\r\n另有 " +
                                  more + " 条记录校验和错误, 已按原样载入。"});
  }

  if (read.rejectedCount > 0) {
    std::string text = "Malformed records were skipped, none of their bytes was loaded:";
    const std::size_t listed = std::min(kListedRejections, read.rejected.size());
    for (std::size_t i = 0; i < listed; ++i) {
      text += "\r\n    line " + std::to_string(read.rejected[i].lineNumber) + ": " +
              std::string(describe(read.rejected[i].problem));
    }
    if (read.rejectedCount > static_cast<std::int64_t>(listed)) {
      text += "\r\n    ... and " +
              std::to_string(read.rejectedCount - static_cast<std::int64_t>(listed)) +
              " more lines";
    }
    text += "\r\n\r\n格式错误的记录已跳过, 其数据没有载入。";
    messages.push_back({path, std::move(text)});
  }

  if (read.strayLineCount > 0) {
    std::string text = "Lines that are neither blank nor a record were skipped:";
    const std::size_t listed = std::min(kListedRejections, read.strayLines.size());
    for (std::size_t i = 0; i < listed; ++i) {
      text += "\r\n    line " + std::to_string(read.strayLines[i]);
    }
    if (read.strayLineCount > static_cast<std::int64_t>(listed)) {
      text += "\r\n    ... and " +
              std::to_string(read.strayLineCount - static_cast<std::int64_t>(listed)) +
              " more lines";
    }
    text += "\r\n\r\n不是记录的行已跳过。";
    messages.push_back({path, std::move(text)});
  }
  if (read.dataBytes == 0) {
    messages.push_back({path, format == FileFormat::Hex ? std::string(kNoDataRecordText)
                                                        : std::string(kEmptyFileText)});
  } else if (format == FileFormat::Hex && !read.endRecordSeen) {
    // Said only of a file with data: one without any is refused for that.
    messages.push_back({path, std::string(kNoEndRecordText)});
  }

  std::string region = regionWarningText(read.flags, format);
  if (!region.empty()) messages.push_back({std::string(kRegionWarningTitle), std::move(region)});
  return messages;
}

}  // namespace qrk
