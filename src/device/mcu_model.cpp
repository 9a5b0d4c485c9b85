#include "device/mcu_model.h"

#include <array>

namespace qrk {

namespace {

using enum MapKind;

constexpr McuModel row(std::string_view name, MapKind kind, std::int32_t apLast,
                       std::int32_t writableTop, std::int32_t block1Start, std::int32_t topAddress,
                       bool apUpToIsp, std::string_view id, bool inList = true) {
  return McuModel{name,        kind,        apLast,
                  writableTop, block1Start, topAddress,
                  apUpToIsp,   id,          kind == FixedIspBlock ? 128 : 512,
                  inList};
}

constexpr std::array kCatalogue = {
    row("QRK5-04A", TopOfModel, 0x0FFF, 0x3BFF, 0x2C00, 0x3BFF, false, "F001"),
    row("QRK5-08A", TopOfModel, 0x1FFF, 0x3BFF, 0x2C00, 0x3BFF, false, "F002"),
    row("QRK5-12A", TopOfModel, 0x2BFF, 0x3BFF, 0x2C00, 0x3BFF, true, "F004"),
    row("QRK5-16B", TopOfModel, 0x3FFF, 0xFBFF, 0xEC00, 0xFBFF, false, "F104"),
    row("QRK5-32B", TopOfModel, 0x7FFF, 0xFBFF, 0xEC00, 0xFBFF, false, "F108"),
    row("QRK5-64B", TopOfModel, 0xEBFF, 0xFBFF, 0xEC00, 0xFBFF, true, "F110"),
    row("QRK3-04A", TopOfModel, 0x0FFF, 0x3BFF, 0x2C00, 0x3BFF, false, "F001"),
    row("QRK3-08A", TopOfModel, 0x1FFF, 0x3BFF, 0x2C00, 0x3BFF, false, "F002"),
    row("QRK3-12A", TopOfModel, 0x2BFF, 0x3BFF, 0x2C00, 0x3BFF, true, "F004"),
    row("QRK3-16B", TopOfModel, 0x3FFF, 0xFBFF, 0xEC00, 0xFBFF, false, "F104"),
    row("QRK3-32B", TopOfModel, 0x7FFF, 0xFBFF, 0xEC00, 0xFBFF, false, "F108"),
    row("QRK3-64B", TopOfModel, 0xEBFF, 0xFBFF, 0xEC00, 0xFBFF, true, "F110"),
    row("QRK3-08F", TopOf64k, 0x1FFF, 0x1FFF, 0xE000, 0xFFFF, false, "0055"),
    row("QRK3-16F", TopOf64k, 0x3FFF, 0x3FFF, 0xE000, 0xFFFF, false, "0055"),
    row("QRK3-32F", TopOf64k, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "0055"),
    row("QRK3-64F", TopOf64k, 0xDFFF, 0xDFFF, 0xE000, 0xFFFF, true, "0055"),
    row("QRK3-64G", TopOf64k, 0xDFFF, 0xDFFF, 0xE000, 0xFFFF, true, "0055"),
    row("QRK5-64E", FixedIspBlock, 0xFFFF, 0xFFFF, 0x10000, 0x11FFF, false, "", false),
    row("QRKL-64E", FixedIspBlock, 0xFFFF, 0xFFFF, 0x10000, 0x11FFF, false, "", false),
    row("QRK5-32E", FixedIspBlock, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "", false),
    row("QRKL-32E", FixedIspBlock, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "", false),
    row("QRK5-32D", FixedIspBlock, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "", false),
    row("QRKL-32D", FixedIspBlock, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "", false),
    row("QRK5-16D", FixedIspBlock, 0x3FFF, 0x3FFF, 0xE000, 0xFFFF, false, "", false),
    row("QRKL-16D", FixedIspBlock, 0x3FFF, 0x3FFF, 0xE000, 0xFFFF, false, "", false),
    row("QRK5-08D", FixedIspBlock, 0x1FFF, 0x1FFF, 0xE000, 0xFFFF, false, "", false),
    row("QRKL-08D", FixedIspBlock, 0x1FFF, 0x1FFF, 0xE000, 0xFFFF, false, "", false),
};

constexpr std::size_t kListedCount = 17;

}  // namespace

std::span<const McuModel> mcuCatalogue() { return kCatalogue; }

std::span<const McuModel> listedModels() {
  return std::span<const McuModel>(kCatalogue).first(kListedCount);
}

const McuModel* findModel(std::string_view name) {
  for (const McuModel& m : kCatalogue) {
    if (m.name == name) return &m;
  }
  return nullptr;
}

bool selectModel(SelectedModel& model, std::string_view text) {
  model.blockSize = 128;
  model.apUpToIsp = false;
  const McuModel* m = findModel(text);
  if (m == nullptr) return false;
  model.name = std::string(m->name);
  model.mapKind = m->mapKind;
  model.apFirst = 0;
  model.apLast = m->apLast;
  model.writableTop = m->writableTop;
  model.block1Start = m->block1Start;
  model.topAddress = m->topAddress;
  model.apUpToIsp = m->apUpToIsp;
  model.blockSize = m->blockSize;
  if (!m->expectedId.empty()) model.expectedId = std::string(m->expectedId);
  model.selected = true;
  return true;
}

}  // namespace qrk
