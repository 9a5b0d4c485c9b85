#include "port_list.h"

#include "platform/qt/qt_serial_port.h"

namespace qrkgui {

std::vector<PortEntry> comPortEntries() {
  std::vector<PortEntry> entries;
  for (int n = 1; n <= kComPortCount; ++n) {
    const QString name = QStringLiteral("COM%1").arg(n);
    std::string device;
    QString caption = name;
    if (qrk::resolvePortName(name.toStdString(), &device, nullptr)) {
      caption += QStringLiteral("  (") + QString::fromStdString(device) + ')';
    }
    entries.push_back({name, caption});
  }
  return entries;
}

QString portNameFromText(const QString& shownText) {
  const QString text = shownText.trimmed();
  // "COM3  (/dev/ttyUSB0)": the name is what comes before the device.
  const qsizetype bracket = text.indexOf(QStringLiteral("  ("));
  return bracket > 0 ? text.left(bracket) : text;
}

}  // namespace qrkgui
