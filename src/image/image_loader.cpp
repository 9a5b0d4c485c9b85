#include "image/image_loader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include "image/bin_reader.h"
#include "image/checksum_text.h"
#include "image/hex_reader.h"
#include "platform/text.h"

namespace qrk {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

bool pathNamesHex(std::string_view path) {
  std::string upper(path);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper.find(".HEX") != std::string::npos;
}

LoadResult refuse(LoadStatus status, std::string_view text, Host& host) {
  LoadResult result;
  result.status = status;
  result.error = std::string(text);
  host.messageBox(result.error, "", MessageButtons::Ok);
  return result;
}

}  // namespace

void prepareForLoad(ImageBuffer& image, std::uint8_t fillByte, bool clearBuffer) {
  if (!image.fileLoaded || clearBuffer) {
    image.fill(fillByte);
    image.fileLoaded = false;
    image.rangeLow = ImageBuffer::kClearedLow;
    image.rangeHigh = 0;
    image.fileStart = ImageBuffer::kClearedLow;
    image.fileEnd = 0;
  } else {
    image.rangeLow = std::min(image.rangeLow, image.fileStart);
    image.rangeHigh = std::max(image.rangeHigh, image.fileEnd);
  }
}

FileFormat chooseFormat(std::string_view path, std::FILE* file) {
  if (pathNamesHex(path)) return FileFormat::Hex;
  constexpr int kLinesLooked = 3;
  int lines = 0;
  bool atLineStart = true;
  bool afterCarriageReturn = false;
  char chunk[4096];
  bool empty = true;
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    // A shorter file whose lines all begin with ':' is HEX; an empty one holds
    // no record, and is a BIN of no bytes.
    if (got == 0) return empty ? FileFormat::Bin : FileFormat::Hex;
    empty = false;
    for (std::size_t i = 0; i < got; ++i) {
      const char c = chunk[i];
      if (afterCarriageReturn) {
        afterCarriageReturn = false;
        if (c == '\n') continue;
      }
      if (atLineStart && c != ':') return FileFormat::Bin;
      atLineStart = false;
      if (c == '\r' || c == '\n') {
        if (++lines == kLinesLooked) return FileFormat::Hex;
        atLineStart = true;
        afterCarriageReturn = c == '\r';
      }
    }
  }
}

LoadResult loadImage(ImageBuffer& image, const LoadOptions& options, Host& host) {
  const std::string path = image.filePath;
  if (trimmed(path).empty()) return LoadResult{};

  const MemoryLimits limits = readLimits(options.memoryMap, options.model);
  const StartAddressCheck start =
      checkStartAddress(options.startAddressText, limits, options.model);
  if (!start.accepted) return refuse(LoadStatus::StartRefused, start.message, host);

  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    return refuse(LoadStatus::FileUnreadable, kFileUnreadableText, host);
  }
  FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) return refuse(LoadStatus::FileMissing, kFileNotFoundText, host);
  const FileFormat format = chooseFormat(path, file.get());
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) {
    return refuse(LoadStatus::FileUnreadable, kFileUnreadableText, host);
  }

  prepareForLoad(image, options.fillByte, options.clearBuffer);
  const ReadContext context{options.model, limits, start.address, options.fillByte};
  host.setBusy(true);
  ReadResult read = format == FileFormat::Hex ? readHexFile(image, file.get(), context)
                                              : readBinFile(image, file.get(), context);
  host.setBusy(false);

  if (!read.readable) {
    image.fileLoaded = false;  // a part of a file is no image to program
    LoadResult result = refuse(LoadStatus::FileUnreadable, kFileUnreadableText, host);
    result.format = format;
    result.read = std::move(read);
    return result;
  }

  LoadResult result;
  result.status = LoadStatus::Loaded;
  result.format = format;
  result.checksumText = checksumText(read.sum);
  result.warnings = loadMessages(read, format, path);
  result.read = std::move(read);
  for (const LoadMessage& message : result.warnings) {
    host.messageBox(message.text, message.title, MessageButtons::Ok);
  }
  image.mergeRange(std::nullopt);
  return result;
}

LoadResult reloadFiles(ImageBuffer& image, std::span<const ImageSource> sources,
                       LoadOptions options, Host& host) {
  std::error_code error;
  if (sources.empty()) return refuse(LoadStatus::FileMissing, kFileNotFoundText, host);
  for (const ImageSource& source : sources) {
    if (trimmed(source.path).empty() || !std::filesystem::exists(source.path, error)) {
      return refuse(LoadStatus::FileMissing, kFileNotFoundText, host);
    }
  }
  // Built aside: a file that fails half way must not leave half an image.
  auto rebuilt = std::make_unique<ImageBuffer>(image);
  LoadResult result;
  std::vector<LoadMessage> warnings;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    rebuilt->filePath = sources[i].path;
    options.startAddressText = sources[i].startAddressText;
    options.clearBuffer = i == 0;
    result = loadImage(*rebuilt, options, host);
    if (!result.loaded()) return result;
    warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());
  }
  result.warnings = std::move(warnings);
  image = *rebuilt;
  return result;
}

}  // namespace qrk
