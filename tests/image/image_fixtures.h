#pragma once

#include <stdlib.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "device/mcu_model.h"
#include "image/image_loader.h"
#include "platform/host.h"

namespace qrk::imagetest {

// A fresh folder for the files one test writes, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qrkimageXXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string file(std::string_view name, std::string_view content) const {
    const std::string path = (path_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
    return path;
  }
  std::string file(std::string_view name, const std::vector<std::uint8_t>& bytes) const {
    return file(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  std::string path(std::string_view name) const { return (path_ / name).string(); }
  const std::filesystem::path& root() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Remembers every message box and answers from a queue (then No, or Ok for an
// OK-only box), as a user who never agrees would; remembers the busy pointer.
class BoxHost : public NullHost {
 public:
  MessageAnswer messageBox(const std::string& text, const std::string& title,
                           MessageButtons buttons) override {
    texts.push_back(text);
    titles.push_back(title);
    if (!answers.empty()) {
      const MessageAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
  }
  void setBusy(bool on) override { busy = on; }

  std::vector<std::string> texts;
  std::vector<std::string> titles;
  std::deque<MessageAnswer> answers;
  bool busy = false;
};

inline SelectedModel model(std::string_view name) {
  SelectedModel selected;
  selectModel(selected, name);
  return selected;
}

inline LoadOptions options(std::string_view modelName, std::string_view ispSpace = "0.0k",
                           std::string start = "0", std::uint8_t fill = 0xFF) {
  LoadOptions result;
  result.model = model(modelName);
  result.memoryMap = memoryMapTexts(result.model, ispSpace);
  result.startAddressText = std::move(start);
  result.fillByte = fill;
  return result;
}

inline ReadContext context(const LoadOptions& load, std::int32_t start = 0) {
  return ReadContext{load.model, readLimits(load.memoryMap, load.model), start, load.fillByte};
}

// One Intel HEX record line, checksum included, without a line end.
inline std::string record(std::uint8_t type, std::uint16_t address,
                          const std::vector<std::uint8_t>& data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(data.size()),
                                     static_cast<std::uint8_t>(address >> 8),
                                     static_cast<std::uint8_t>(address & 0xFF), type};
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  bytes.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
  std::string line = ":";
  for (std::uint8_t b : bytes) {
    line += kDigits[b >> 4];
    line += kDigits[b & 0xF];
  }
  return line;
}

inline std::string dataRecord(std::uint16_t address, const std::vector<std::uint8_t>& data) {
  return record(0x00, address, data) + "\r\n";
}
// An extended address record: type 0x04 (linear, upper 16 bits) or 0x02 (segment).
inline std::string baseRecord(std::uint8_t type, std::uint16_t value) {
  return record(type, 0,
                {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)}) +
         "\r\n";
}
inline const std::string kEndRecord = ":00000001FF\r\n";

// An image as a fresh load leaves it before the reader runs.
inline void clearImage(ImageBuffer& image, std::uint8_t fill) {
  image.fileLoaded = false;
  prepareForLoad(image, fill, true);
}

inline std::vector<std::uint8_t> bytesAt(const ImageBuffer& image, std::int32_t first, int count) {
  return {image.bytes().begin() + first, image.bytes().begin() + first + count};
}

}  // namespace qrk::imagetest
