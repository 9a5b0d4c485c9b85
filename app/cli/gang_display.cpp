#include "gang_display.h"

#include <algorithm>

namespace qrkcli {

namespace {

constexpr int kRedrawMs = 100;

void write(std::FILE* out, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out);
}

QString kilobytes(qint64 bytes) { return QString::number(bytes / 1024.0, 'f', 1); }

}  // namespace

GangDisplay::GangDisplay(std::FILE* out, bool live,
                         const std::vector<std::unique_ptr<GangPort>>& ports)
    : out_(out), live_(live), ports_(ports) {
  redrawTimer_.setSingleShot(true);
  redrawTimer_.setInterval(kRedrawMs);
  QObject::connect(&redrawTimer_, &QTimer::timeout, [this] { redraw(); });
}

QString GangDisplay::statusLine(const GangPortState& s, qsizetype nameWidth) {
  QString line = s.name.leftJustified(nameWidth) + QString("  chips %1").arg(s.chips, 3);
  if (s.finished) {
    line += QString("  done, %1 OK").arg(s.succeeded);
  } else if (!s.phase.isEmpty()) {
    line += "  " + s.phase.leftJustified(12);
    if (s.total > 0) {
      line += QString(" %1/%2 KB %3%")
                  .arg(kilobytes(s.bytes), kilobytes(s.total))
                  .arg(s.bytes * 100 / s.total, 3);
    }
  } else {
    line += "  waiting";
  }
  if (!s.lastResult.isEmpty()) line += "  last: " + s.lastResult;
  return line;
}

void GangDisplay::changed() {
  if (live_ && !redrawTimer_.isActive()) redrawTimer_.start();
}

void GangDisplay::chipEnded(const GangPort& port) {
  if (live_) return;
  const GangPortState& s = port.state();
  write(out_, QString("%1 chip %2: %3\n").arg(s.name).arg(s.chips).arg(s.lastResult));
  std::fflush(out_);
}

void GangDisplay::errorLine(const GangPort& port, const QString& line) {
  clear();
  std::fflush(out_);
  write(stderr, port.state().name + ": " + line + "\n");
  std::fflush(stderr);
  if (live_) redraw();
}

void GangDisplay::finish() {
  redrawTimer_.stop();
  if (live_) redraw();
  drawnLines_ = 0;
}

void GangDisplay::clear() {
  if (!live_ || drawnLines_ == 0) return;
  // Back to the first live line, then erase to the end of the screen.
  write(out_, QString("\033[%1A\r\033[J").arg(drawnLines_));
  drawnLines_ = 0;
}

void GangDisplay::redraw() {
  clear();
  for (const auto& port : ports_) nameWidth_ = std::max(nameWidth_, port->state().name.size());
  QString block;
  for (const auto& port : ports_) block += statusLine(port->state(), nameWidth_) + "\033[K\n";
  write(out_, block);
  std::fflush(out_);
  drawnLines_ = static_cast<int>(ports_.size());
}

}  // namespace qrkcli
