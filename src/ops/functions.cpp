#include "ops/functions.h"

#include <array>

#include "device/option_io.h"
#include "link/erase.h"
#include "link/identify.h"
#include "ops/blank_check_function.h"
#include "ops/programmer.h"

namespace qrk {

namespace {

int verifyId(Programmer& p) {
  (void)readTargetId(p.link(), p.pane(), p.model().expectedId, false);
  return readTargetId(p.link(), p.pane(), p.model().expectedId, true);
}

int eraseAll(Programmer& p) { return eraseChip(p.link(), p.pane()); }

int writeOptionFunction(Programmer& p) {
  return writeOption(p.link(), p.pane(), p.options(), p.model().mapKind, true);
}

int readOptionFunction(Programmer& p) {
  return readOption(p.link(), p.pane(), p.options(), p.model().mapKind, true);
}

constexpr std::array kFunctions = {
    FunctionEntry{"Verify_ID", verifyId, true},
    FunctionEntry{"Erase_All", eraseAll, true},
    FunctionEntry{"Blank_Check", blankCheckFunction, true},
    FunctionEntry{"Write_Option", writeOptionFunction, true},
    FunctionEntry{"Read_Option", readOptionFunction, true},
};

}  // namespace

std::span<const FunctionEntry> runFunctions() { return kFunctions; }

const FunctionEntry* findFunction(std::string_view name) {
  for (const FunctionEntry& f : kFunctions) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

}  // namespace qrk
