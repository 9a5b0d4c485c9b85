#pragma once

#include <string>

#include "platform/host.h"

namespace qrk {

// The kilobyte caption beside the progress bar for `kilobytes`: "####.000" then "K", so no leading
// zero below one (.125K), three decimals always (1.500K, 64.000K).
std::string kbyteText(double kilobytes);

// Shows or hides the progress bar and the kilobyte label together.
void showProgress(Host& host, int minimum, int maximum);
void hideProgress(Host& host);
void showKbytes(Host& host, double kilobytes);

}  // namespace qrk
