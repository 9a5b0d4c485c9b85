#include "sim/flash_files.h"

#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "sim/system_error.h"

namespace qrk::sim {

namespace {

bool readWhole(const std::string& path, std::vector<std::uint8_t>& out, std::string* error) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
    return fail(error, "cannot read " + path + ": not a regular file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(error, "cannot read " + path + ": " + reason());
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return fail(error, "cannot read " + path + ": " + reason());
  return true;
}

bool writeReplacing(const std::string& path, const void* data, std::size_t size,
                    std::string* error) {
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return fail(error, "cannot write " + path + ": " + reason());
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.flush();
    if (!out) {
      std::remove(temporary.c_str());
      return fail(error, "cannot write " + path + ": " + reason());
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string why = reason();
    std::remove(temporary.c_str());
    return fail(error, "cannot write " + path + ": " + why);
  }
  return true;
}

bool parseOptionText(const std::string& text, std::array<std::uint8_t, 2>& bytes) {
  std::istringstream in(text);
  std::string first, second, extra;
  if (!(in >> first >> second) || (in >> extra)) return false;
  for (int i = 0; i < 2; ++i) {
    const std::string& word = i == 0 ? first : second;
    if (word.size() != 2) return false;
    unsigned value = 0;
    for (char c : word) {
      const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                        : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                        : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                                    : -1;
      if (digit < 0) return false;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
  }
  return true;
}

}  // namespace

std::string optionsPathFor(const std::string& flashPath) { return flashPath + ".options"; }

bool loadFlashFiles(QrkDevice& device, const std::string& path, std::string* error) {
  std::vector<std::uint8_t> image;
  if (!readWhole(path, image, error)) return false;
  if (image.size() > device.flash().size()) {
    return fail(error, path + " holds " + std::to_string(image.size()) + " bytes, more than the " +
                           std::to_string(device.flash().size()) + " of " +
                           std::string(device.model().name) + "'s flash");
  }
  const std::string optionsPath = optionsPathFor(path);
  std::array<std::uint8_t, 2> optionBytes = device.optionBytes();
  if (std::ifstream probe(optionsPath); probe) {
    std::vector<std::uint8_t> text;
    if (!readWhole(optionsPath, text, error)) return false;
    if (!parseOptionText(std::string(text.begin(), text.end()), optionBytes)) {
      return fail(error, optionsPath + ": expected two hex bytes such as \"F8 EF\"");
    }
  }
  device.loadFlash(0, image);
  device.optionBytes() = optionBytes;
  return true;
}

bool saveFlashFiles(const QrkDevice& device, const std::string& path, std::string* error) {
  const auto flash = device.flash();
  if (!writeReplacing(path, flash.data(), flash.size(), error)) return false;
  char text[16];
  std::snprintf(text, sizeof text, "%02X %02X\n", device.optionBytes()[0], device.optionBytes()[1]);
  return writeReplacing(optionsPathFor(path), text, std::strlen(text), error);
}

bool saveRawFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error) {
  return writeReplacing(path, bytes.data(), bytes.size(), error);
}

bool loadRawFile(const std::string& path, std::size_t maxSize, std::vector<std::uint8_t>& bytes,
                 std::string* error) {
  if (!readWhole(path, bytes, error)) return false;
  if (bytes.size() > maxSize) {
    return fail(error, path + " holds " + std::to_string(bytes.size()) + " bytes, more than " +
                           std::to_string(maxSize));
  }
  return true;
}

}  // namespace qrk::sim
