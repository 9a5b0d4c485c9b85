#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/mcu_model.h"
#include "image/image_buffer.h"
#include "image/load_messages.h"
#include "image/memory_map.h"
#include "image/reader_types.h"
#include "platform/host.h"

namespace qrk {

// The window's inputs to a load.
struct LoadOptions {
  SelectedModel model;
  MemoryMapTexts memoryMap;                  // what the memory-map boxes show now
  std::string startAddressText = "0";        // "Buffer Start Address(HEX):"
  std::uint8_t fillByte = kDefaultFillByte;  // "Unused Bytes(in file range):"
  bool clearBuffer = false;                  // "Clear Buffer": start every load from a filled image
};

enum class LoadStatus {
  Loaded,          // a reader ran to the end; see `warnings`
  NoFile,          // no path: nothing happened
  StartRefused,    // the buffer start address was refused: nothing changed
  FileMissing,     // the file could not be opened: nothing changed
  FileUnreadable,  // reading failed: the image holds part of the file and is not loaded
};

struct LoadResult {
  LoadStatus status = LoadStatus::NoFile;
  FileFormat format = FileFormat::Hex;
  std::string checksumText;  // the new "File Check Sum" text once loaded
  ReadResult read;
  // The boxes the load raised after reading, in order. A load without any is
  // clean; a batch run refuses any other image unless forced.
  std::vector<LoadMessage> warnings;
  std::string error;  // the box text of a load that did not happen

  bool loaded() const { return status == LoadStatus::Loaded; }
  bool clean() const { return loaded() && warnings.empty(); }
};

// Readies the image for the next file: a fresh fill when nothing is loaded or
// "Clear Buffer" is ticked, otherwise the range of interest keeps the previous
// file so that the new one is laid over it.
void prepareForLoad(ImageBuffer& image, std::uint8_t fillByte, bool clearBuffer);

// HEX when the upper-cased path contains ".HEX" anywhere, or when the first three
// lines all begin with ':' (a shorter file too); BIN as soon as one does not,
// and for an empty file.
// Sniffing reads from the file's current position and moves it.
FileFormat chooseFormat(std::string_view path, std::FILE* file);

// The load sequence for `image.filePath`: start-address check, file choice,
// prepare, read, the boxes (shown through `host` and returned), then the range
// merge. Every box goes through host.messageBox as well as into the result.
//
// The auto-increment field is the caller's: disarm it before, untick its box
// after. The load itself disarms the field, so the merge here never includes
// it and the caller needs no second mergeRange.
LoadResult loadImage(ImageBuffer& image, const LoadOptions& options, Host& host);

// One file of an image, as it was loaded: with "Clear Buffer" unticked an image
// is built from several, each at its own buffer start address.
struct ImageSource {
  std::string path;
  std::string startAddressText;
};

// Loads the files that built the image again before a run, in the same order
// and at the same start addresses, over a cleared image: it then holds exactly
// the files as they are now, never an older build laid under them. When any
// file is missing or fails to load, the image is left exactly as it was and
// the failed load's result is returned, so that a run can fail instead of
// programming a part of the image. Otherwise the result of the last file,
// with the warnings of them all.
LoadResult reloadFiles(ImageBuffer& image, std::span<const ImageSource> sources,
                       LoadOptions options, Host& host);

}  // namespace qrk
