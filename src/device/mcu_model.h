#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/map_kind.h"

namespace qrk {

// One row of the model catalogue. Every rule that depends on a family reads
// `mapKind` from here; adding a model is adding a row.
struct McuModel {
  std::string_view name;
  MapKind mapKind;
  std::int32_t apLast;
  std::int32_t writableTop;  // highest address of an auto-increment field
  std::int32_t block1Start;
  std::int32_t topAddress;
  bool apUpToIsp;               // no data flash: the AP area runs up to the ISP area
  std::string_view expectedId;  // empty for kind 0: those chips report no ID
  int blockSize;
  bool inList;  // shown in the model list; kind-0 names are recognised when typed
};

// All rows: first the 17 names of the model list in list order, then the ten
// kind-0 names that are recognised but not listed.
std::span<const McuModel> mcuCatalogue();
// The 17 names of the model list, list positions 0..16.
std::span<const McuModel> listedModels();
// Exact, case-sensitive match; nullptr when the text names no model.
const McuModel* findModel(std::string_view name);

// The selected model's values, as the window holds them. Zero until the first
// selection.
struct SelectedModel {
  std::string name;
  MapKind mapKind = MapKind::FixedIspBlock;
  std::int32_t apFirst = 0;
  std::int32_t apLast = 0;
  std::int32_t writableTop = 0;
  std::int32_t block1Start = 0;
  std::int32_t topAddress = 0;
  bool apUpToIsp = false;
  std::string expectedId;
  int blockSize = 128;
  bool selected = false;  // some catalogue row has been chosen at least once
};

// Applies the typed or chosen text to `model`. A text that names no model
// changes only the block size and apUpToIsp (reset to 128 / false) and keeps
// every other value; a kind-0 row keeps the previous expected ID. Returns
// whether the text matched a row.
bool selectModel(SelectedModel& model, std::string_view text);

}  // namespace qrk
