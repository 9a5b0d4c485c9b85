#include <QTextStream>

#include "commands.h"

namespace qrkcli {

int infoCommand(const QStringList&) {
  QTextStream(stderr) << "qrkprog info: not available in this build\n";
  return 2;
}

}  // namespace qrkcli
