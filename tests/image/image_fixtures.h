#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "device/mcu_model.h"
#include "image/image_loader.h"
#include "image/intel_hex_text.h"
#include "platform/host.h"

namespace qrk::imagetest {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder for the files one test writes, removed afterwards.
struct TempDir {
  TempDir() { EXPECT_NE(::mkdtemp(root.data()), nullptr); }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  std::string path(const std::string& name) const { return root + "/" + name; }
  template <typename Content>
  std::string file(const std::string& name, const Content& content) const {
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
    return path(name);
  }
  std::string root = std::filesystem::temp_directory_path() / "qrkimageXXXXXX";
};

inline Bytes readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Remembers every message box and answers from a queue, then No, as a user
// who never agrees would; remembers the busy pointer.
struct BoxHost : NullHost {
  MessageAnswer messageBox(const std::string& text, const std::string&, MessageButtons) override {
    texts.push_back(text);
    const MessageAnswer answer = answers.empty() ? MessageAnswer::No : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void setBusy(bool on) override { busy = on; }

  std::vector<std::string> texts;
  std::deque<MessageAnswer> answers;
  bool busy = false;
};

inline LoadOptions options(std::string_view modelName, std::string_view ispSpace = "0.0k",
                           std::string start = "0", std::uint8_t fill = 0xFF) {
  LoadOptions result;
  selectModel(result.model, modelName);
  result.memoryMap = memoryMapTexts(result.model, ispSpace);
  result.startAddressText = std::move(start);
  result.fillByte = fill;
  return result;
}

// One Intel HEX record line, checksum included, without a line end.
inline std::string record(std::uint8_t type, std::uint16_t address, const Bytes& data) {
  return intelHexRecord(type, address, data);
}
inline std::string dataRecord(std::uint16_t address, const Bytes& data) {
  return record(0x00, address, data) + "\r\n";
}

// An image as a fresh load leaves it before the reader runs.
inline ImageBuffer clearedImage(std::uint8_t fill) {
  ImageBuffer image;
  prepareForLoad(image, fill, true);
  return image;
}

inline Bytes bytesAt(const ImageBuffer& image, std::int32_t first, std::int32_t count) {
  return {image.bytes().begin() + first, image.bytes().begin() + first + count};
}

}  // namespace qrk::imagetest
