#include <QTextStream>

#include "commands.h"

namespace qrkcli {

int runCommand(const QStringList&) {
  QTextStream(stderr) << "qrkprog run: not available in this build\n";
  return 2;
}

}  // namespace qrkcli
