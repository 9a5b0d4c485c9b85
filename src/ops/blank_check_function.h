#pragma once

#include "link/status.h"

namespace qrk {

class Programmer;

// Blank_Check as a function of a run: the bootloader's blank check, then the
// option bytes, which count as blank only in their erased state, then the
// verdict line. Success when the whole chip is blank, NotBlank (with the
// flash's first programmed byte, if it has one) when not. A check that gave no verdict,
// an option read that failed and a stopped run are failures without a
// verdict: "Chip is not blank!" is only said of a chip found not blank.
// `alertOnFailure`: sound the failure alert (a run of the function on its
// own; a list sounds its own).
Status blankCheckFunction(Programmer& programmer, bool alertOnFailure);

}  // namespace qrk
