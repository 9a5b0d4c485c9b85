#include "ops/blank_skip.h"

#include <algorithm>

namespace qrk {

namespace {

constexpr std::uint8_t kErased = 0xFF;

bool allErased(const ImageBuffer& image, std::int32_t first, std::int32_t last) {
  if (!ImageBuffer::contains(first) || !ImageBuffer::contains(last) || first > last) return false;
  const auto& bytes = image.bytes();
  return std::all_of(bytes.begin() + first, bytes.begin() + last + 1,
                     [](std::uint8_t b) { return b == kErased; });
}

}  // namespace

void BlankSkip::functionEnded(FunctionId function, bool succeeded) {
  if (function == FunctionId::EraseAll) {
    erased_ = succeeded;
    provenBlank_ = false;
  } else if (function == FunctionId::BlankCheck) {
    provenBlank_ = erased_ && succeeded;
  } else if (function == FunctionId::Program || function == FunctionId::WriteOption) {
    erased_ = false;
    provenBlank_ = false;
  }
}

BlankSkip::Standing BlankSkip::standing(bool chosen, std::uint8_t fillByte) const {
  if (!chosen) return Standing::NotChosen;
  if (fillByte != kErased) return Standing::FillNotFF;
  return provenBlank_ ? Standing::Applies : Standing::NotBlankChecked;
}

BlankSkip::Standing BlankSkip::planned(bool chosen, std::uint8_t fillByte, FunctionId function,
                                       std::span<const std::string> list) {
  BlankSkip run;
  if (function == FunctionId::Auto) {
    for (const std::string& name : list) {
      const std::optional<FunctionId> step = functionFromName(name);
      if (step == FunctionId::Program) break;
      if (step) run.functionEnded(*step, true);
    }
  }
  return run.standing(chosen, fillByte);
}

void BlankSkip::startProgram(bool applies) {
  programApplies_ = applies;
  leftOut_.clear();
}

bool BlankSkip::leaveOut(const ImageBuffer& image, std::int32_t first, std::int32_t last) {
  if (!programApplies_ || !allErased(image, first, last)) return false;
  if (!leftOut_.empty() && leftOut_.back().last + 1 == first) {
    leftOut_.back().last = last;
  } else {
    leftOut_.push_back({first, last});
  }
  return true;
}

bool BlankSkip::leftOut(const ImageBuffer& image, std::int32_t first, std::int32_t last) const {
  const bool inside = std::any_of(leftOut_.begin(), leftOut_.end(), [&](const Span& s) {
    return s.first <= first && last <= s.last;
  });
  return inside && allErased(image, first, last);
}

std::string_view blankSkipNotUsedText(BlankSkip::Standing standing) {
  switch (standing) {
    case BlankSkip::Standing::NotBlankChecked:
      return "skip-blank: not used, the chip was not blank-checked in this run";
    case BlankSkip::Standing::FillNotFF:
      return "skip-blank: not used, the fill byte is 00";
    case BlankSkip::Standing::NotChosen:
    case BlankSkip::Standing::Applies:
      break;
  }
  return {};
}

}  // namespace qrk
