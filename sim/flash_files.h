#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/qrk_device.h"

namespace qrk::sim {

// The chip's contents on disk, as qrksim reads and writes them: FILE holds the
// raw flash from address 0 (qrksim writes 0 .. the model's top address), and
// FILE.options beside it the two option bytes as text, "F8 EF" and a line feed.

std::string optionsPathFor(const std::string& flashPath);

// Loads FILE into the flash from address 0 (a shorter file leaves the rest
// erased) and FILE.options, when it exists, into the option bytes. False with
// a one-line reason when a file cannot be read, FILE is larger than the
// model's flash, or FILE.options is not two hex bytes.
bool loadFlashFiles(QrkDevice& device, const std::string& path, std::string* error);

// Writes both files, each through a temporary file renamed into place, so a
// reader never sees half of one. False with a one-line reason on failure.
bool saveFlashFiles(const QrkDevice& device, const std::string& path, std::string* error);

// Any raw memory picture, whole file at a time (the offline board's memory):
// the write goes through a temporary file renamed into place; the read refuses
// a file larger than `maxSize`. False with a one-line reason on failure.
bool saveRawFile(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error);
bool loadRawFile(const std::string& path, std::size_t maxSize, std::vector<std::uint8_t>& bytes,
                 std::string* error);

}  // namespace qrk::sim
