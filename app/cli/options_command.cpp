#include <QTextStream>

#include "commands.h"

namespace qrkcli {

int optionsCommand(const QStringList&) {
  QTextStream(stderr) << "qrkprog options: not available in this build\n";
  return 2;
}

}  // namespace qrkcli
