#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_buffer.h"
#include "ops/function_id.h"

namespace qrk {

// Which blocks Program may leave out, and which a read-back verify may then
// leave out with them. A block may go unsent only when this run erased the
// chip in hand, a blank check after that erase passed, nothing has written
// to the chip since, and the block's bytes in the image are all FF: the chip
// holds exactly those bytes already. Whether the bootloader minds a block that
// never comes is not documented, so the user has to choose it.
class BlankSkip {
 public:
  // Why Program sends every block, or that it may leave some out.
  enum class Standing {
    NotChosen,
    FillNotFF,
    NotBlankChecked,
    Applies,
  };

  // What a function of the run did to the chip in hand. A failed erase or
  // blank check proves nothing; Program and Write_Option end a proof whether
  // they succeeded or not (a write cut short has still written).
  void functionEnded(FunctionId function, bool succeeded);

  Standing standing(bool chosen, std::uint8_t fillByte) const;

  // The standing a run of `function` will have when it reaches Program,
  // decided before the chip is touched: Auto runs `list` in order and stops
  // at its first failure, so a Program it reaches follows every earlier
  // function's success.
  static Standing planned(bool chosen, std::uint8_t fillByte, FunctionId function,
                          std::span<const std::string> list);

  // Program starts: `applies` is whether it may leave blocks out at all. The
  // blocks an earlier Program left out are forgotten.
  void startProgram(bool applies);
  // Whether Program leaves first .. last out; a block left out is remembered.
  bool leaveOut(const ImageBuffer& image, std::int32_t first, std::int32_t last);
  // Whether first .. last lies in blocks the last Program left out and the
  // image still holds FF there: a read-back has nothing to learn from it.
  bool leftOut(const ImageBuffer& image, std::int32_t first, std::int32_t last) const;

 private:
  struct Span {
    std::int32_t first;
    std::int32_t last;
  };

  bool erased_ = false;
  bool provenBlank_ = false;
  bool programApplies_ = false;
  std::vector<Span> leftOut_;
};

// The one line the command line prints when the option is chosen but cannot
// apply; empty when it applies or was not chosen.
std::string_view blankSkipNotUsedText(BlankSkip::Standing standing);

}  // namespace qrk
