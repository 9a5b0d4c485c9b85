#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "link/status.h"
#include "ops/function_id.h"

namespace qrk {

class Programmer;

// What a run of the function list did, and the step that decided it: the
// slot that failed or during which Stop came; none when every slot succeeded.
struct ListResult {
  Status status;
  std::optional<FunctionId> step;
};

// "Auto": runs the slots of the function list in order and stops at the first
// failure. Every function but Verify_ID that succeeds gets its own OK line; a
// whole list that succeeds gets the closing line, the optional beep and one
// more on the success counter. A failure gets three beeps and the two
// "is failure!" lines. A list ended by Stop says neither: nothing after a Stop
// is reported as OK, and no later slot runs.
ListResult runFunctionList(Programmer& programmer);

// One slot of the list. Never runs after Stop, and so never reopens the port
// that Stop closed.
Status runListFunction(Programmer& programmer, const std::string& name);

// `name` padded with spaces to `width` characters, or cut to them.
std::string padded(std::string_view name, std::size_t width);

}  // namespace qrk
