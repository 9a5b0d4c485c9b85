#include "ops/progress.h"

#include <cmath>
#include <cstdio>

namespace qrk {

std::string kbyteText(double kilobytes) {
  const long long thousandths = std::llround(std::fabs(kilobytes) * 1000.0);
  const long long whole = thousandths / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%s%s.%03lldK", kilobytes < 0 && thousandths != 0 ? "-" : "",
                whole == 0 ? "" : std::to_string(whole).c_str(), thousandths % 1000);
  return text;
}

void showProgress(Host& host, int minimum, int maximum) {
  host.setProgressRange(minimum, maximum);
  host.setProgressVisible(true);
}

void hideProgress(Host& host) { host.setProgressVisible(false); }

void showKbytes(Host& host, double kilobytes) { host.setKbyteText(kbyteText(kilobytes)); }

}  // namespace qrk
