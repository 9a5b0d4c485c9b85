#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "device/mcu_model.h"
#include "image/image_loader.h"
#include "image/intel_hex_text.h"
#include "platform/host.h"
#include "support/recording_host.h"
#include "support/temp_files.h"

namespace qrk::imagetest {

using Bytes = std::vector<std::uint8_t>;

using test::TempDir;

inline Bytes readAll(const std::filesystem::path& path) {
  const std::string text = test::readFile(path);
  return {text.begin(), text.end()};
}

using BoxHost = test::RecordingHost;

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
