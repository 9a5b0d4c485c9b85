#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "image/reader_types.h"

namespace qrk {

// One message box of a load: what the window shows and what a batch run treats
// as a warning.
struct LoadMessage {
  std::string title;
  std::string text;
};

inline constexpr std::string_view kRegionWarningTitle = "Open HEX file";
inline constexpr std::string_view kFileNotFoundText = "Can not find the file./找不到文件";
inline constexpr std::string_view kFileUnreadableText = "Can not read the file./无法读取文件";
inline constexpr std::string_view kNoDataRecordText =
    "The file holds no data record: there is nothing to program.\r\n\r\n"
    "文件中没有数据记录, 没有可烧录的内容。";
inline constexpr std::string_view kEmptyFileText =
    "The file is empty: there is nothing to program.\r\n\r\n文件为空, 没有可烧录的内容。";
inline constexpr std::string_view kNoEndRecordText =
    "The file ends without its end-of-file record (:00000001FF): it may have been cut "
    "off.\r\n\r\n文件没有结束记录, 可能不完整。";
inline constexpr std::string_view kReloadFileMessage =
    "    Please reload file.\r\n\r\n      请重新打开文件";

// Every box a finished read raises, in the order shown: one per record whose
// checksum failed (the first few, then one box counting the rest), one listing
// the rejected lines, one listing the lines that are no record, one for a file
// without data or without its end record, then the region warnings under
// "Open HEX file".
std::vector<LoadMessage> loadMessages(const ReadResult& read, FileFormat format,
                                      const std::string& path);

// The region warning text for the flags, empty when none is set.
std::string regionWarningText(const RegionFlags& flags, FileFormat format);

}  // namespace qrk
