#include <QTextStream>

#include "commands.h"

namespace qrkcli {

int storeCommand(const QStringList&) {
  QTextStream(stderr) << "qrkprog store: not available in this build\n";
  return 2;
}

}  // namespace qrkcli
