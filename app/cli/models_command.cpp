#include <QTextStream>

#include "commands.h"

namespace qrkcli {

int modelsCommand(const QStringList&) {
  QTextStream(stderr) << "qrkprog models: not available in this build\n";
  return 2;
}

}  // namespace qrkcli
