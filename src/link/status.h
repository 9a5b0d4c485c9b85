#pragma once

namespace qrk {

// What every operation on the target returns.
inline constexpr int kOpOk = 0;
// Failure: no (acceptable) reply, a refusal before sending, or Stop.
inline constexpr int kOpFailed = -1;
// A definite negative answer, already reported: a wrong chip ID, a chip that
// is not blank, a verify mismatch.
inline constexpr int kOpMismatch = -2;

}  // namespace qrk
