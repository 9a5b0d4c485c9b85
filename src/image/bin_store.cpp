#include "image/bin_store.h"

#include <span>

#include "image/number_text.h"

namespace qrk {

namespace {

constexpr std::int64_t kStoreLimit = 0x10000;

StoreRangeCheck refuse(std::string_view message) { return {std::nullopt, std::string(message)}; }

}  // namespace

StoreRangeCheck checkStoreRange(std::int64_t start, std::int64_t length) {
  if (start < 0) return refuse(kStoreStartNegative);
  if (start >= kStoreLimit) return refuse(kStoreStartTooBig);
  if (length <= 0) return refuse(kStoreLengthTooSmall);
  if (length > kStoreLimit || start + length - 1 >= kStoreLimit) return refuse(kStoreLengthTooBig);
  return {StoreRange{static_cast<std::int32_t>(start), static_cast<std::int32_t>(length)}, {}};
}

StoreRangeCheck checkStoreRange(std::string_view startText, std::string_view lengthText) {
  const auto start = parseHexText(startText);
  if (!start) return refuse(kStoreStartNegative);
  const auto length = parseHexText(lengthText);
  return checkStoreRange(*start, length.value_or(0));
}

bool storeButtonEnabled(std::string_view startText, std::string_view lengthText,
                        bool holdsDemoImage, bool enabledNow) {
  if (startText.empty() || lengthText.empty()) return false;
  return holdsDemoImage ? enabledNow : true;
}

std::string storeWriteFailedMessage(const std::filesystem::path& path, const std::string& reason) {
  return "Can not write the file " + path.string() + ": " + reason + "\r\n无法写入文件 " +
         path.string() + "。";
}

FileWriteResult writeBinFile(const ImageBuffer& image, StoreRange range,
                             const std::filesystem::path& path) {
  const auto check = checkStoreRange(range.start, range.length);
  if (!check.range) return {false, check.refusal};
  const std::span<const std::uint8_t> bytes(image.bytes());
  return writeFileAtomically(path, bytes.subspan(static_cast<std::size_t>(range.start),
                                                 static_cast<std::size_t>(range.length)));
}

StoreOutcome storeBinFile(const ImageBuffer& image, std::string_view startText,
                          std::string_view lengthText, Host& host,
                          const std::function<std::optional<std::filesystem::path>()>& chooseFile) {
  const auto check = checkStoreRange(startText, lengthText);
  if (!check.range) {
    host.messageBox(check.refusal, {}, MessageButtons::Ok);
    return StoreOutcome::Refused;
  }
  const auto path = chooseFile ? chooseFile() : std::nullopt;
  if (!path || path->empty()) return StoreOutcome::Cancelled;
  const auto result = writeBinFile(image, *check.range, *path);
  if (!result.ok) {
    host.messageBox(storeWriteFailedMessage(*path, result.reason), {}, MessageButtons::Ok);
    return StoreOutcome::WriteFailed;
  }
  return StoreOutcome::Written;
}

}  // namespace qrk
