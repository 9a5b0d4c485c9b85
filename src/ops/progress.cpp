#include "ops/progress.h"

#include <cmath>

namespace qrk {

// Written out by hand: it runs once a frame, and formatting through printf
// from a cold cache cost more than the rest of the frame's bookkeeping.
std::string kbyteText(double kilobytes) {
  const long long thousandths = std::llround(std::fabs(kilobytes) * 1000.0);
  const long long whole = thousandths / 1000;
  const long long fraction = thousandths % 1000;
  std::string text;
  if (kilobytes < 0 && thousandths != 0) text += '-';
  if (whole != 0) text += std::to_string(whole);
  text += '.';
  text += static_cast<char>('0' + fraction / 100);
  text += static_cast<char>('0' + fraction / 10 % 10);
  text += static_cast<char>('0' + fraction % 10);
  text += 'K';
  return text;
}

void showProgress(Host& host, int minimum, int maximum) {
  host.setProgressRange(minimum, maximum);
  host.setProgressVisible(true);
}

void hideProgress(Host& host) { host.setProgressVisible(false); }

void showKbytes(Host& host, double kilobytes) { host.setKbyteText(kbyteText(kilobytes)); }

}  // namespace qrk
