#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "image/atomic_file_write.h"
#include "image/image_buffer.h"
#include "platform/host.h"

namespace qrk {

// A range of the image to store: `length` bytes from `start`, all below 0x10000.
struct StoreRange {
  std::int32_t start = 0;
  std::int32_t length = 0;
  std::int32_t last() const { return start + length - 1; }
};

// Either the range the user named or the message that refuses it.
struct StoreRangeCheck {
  std::optional<StoreRange> range;
  std::string refusal;
};

inline constexpr std::string_view kStoreStartNegative =
    "Start_Address Small in 0.\r\n      起始地址小于 0。";
inline constexpr std::string_view kStoreStartTooBig = "Start_Address is too big.\r\n起始地址太大。";
inline constexpr std::string_view kStoreLengthTooSmall =
    "File length too small.\r\n文件长度不能小于 0。";
inline constexpr std::string_view kStoreLengthTooBig = "File length too big.\r\n文件长度太大。";

// The two boxes (start address and length): each its whole text read as
// hexadecimal. A start that is not hexadecimal counts as below 0, a length that
// is not hexadecimal as too small. Only the 64 KB below 0x10000 can be stored.
StoreRangeCheck checkStoreRange(std::string_view startText, std::string_view lengthText);
StoreRangeCheck checkStoreRange(std::int64_t start, std::int64_t length);

// Whether the store command is enabled after an edit of either box: never with a box
// empty; while the image holds the ISP DEMO firmware it keeps its state.
bool storeButtonEnabled(std::string_view startText, std::string_view lengthText,
                        bool holdsDemoImage, bool enabledNow);

// The message box text for a failed write: the path and the system's reason.
std::string storeWriteFailedMessage(const std::filesystem::path& path, const std::string& reason);

// Writes the image bytes of `range` to `path` atomically; the old file survives a failure.
FileWriteResult writeBinFile(const ImageBuffer& image, StoreRange range,
                             const std::filesystem::path& path);

enum class StoreOutcome { Refused, Cancelled, Written, WriteFailed };

// The "Store File" button: checks the boxes, asks for a file name (an empty or
// missing answer writes nothing) and writes the file, reporting every refusal
// and failure through a message box.
StoreOutcome storeBinFile(const ImageBuffer& image, std::string_view startText,
                          std::string_view lengthText, Host& host,
                          const std::function<std::optional<std::filesystem::path>()>& chooseFile);

}  // namespace qrk
