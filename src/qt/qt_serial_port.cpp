#include "qt/qt_serial_port.h"

#include <algorithm>
#include <chrono>
#include <future>

#if defined(Q_OS_UNIX)
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "qt/low_latency.h"

namespace qrk {

QtSerialPort::QtSerialPort() {
  QObject::connect(&port_, &QSerialPort::readyRead, [this] {
    if (onReceive_) onReceive_();
  });
  QObject::connect(&port_, &QSerialPort::errorOccurred,
                   [this](QSerialPort::SerialPortError error) { onError(error); });
}

QtSerialPort::~QtSerialPort() {
  lineWatcher_.reset();
  port_.disconnect();
  if (port_.isOpen()) port_.close();
}

bool QtSerialPort::open(const std::string& name, int baud, std::string* error) {
  if (port_.isOpen()) port_.close();
  lastOpenError_.clear();
  std::string devicePath;
  if (!resolvePortName(name, &devicePath, &lastOpenError_)) {
    if (error) *error = lastOpenError_;
    return false;
  }
  port_.setPortName(QString::fromStdString(devicePath));
  port_.setBaudRate(baud);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!port_.open(QIODevice::ReadWrite)) {
    lastOpenError_ = port_.errorString().toStdString();
    if (error) *error = lastOpenError_;
    port_.clearError();
    return false;
  }
  // Many adapters power the target's level shifter from these lines; a port
  // without them (a pseudo-terminal) refuses, which is harmless.
  port_.setDataTerminalReady(true);
  port_.setRequestToSend(true);
  port_.clearError();
  dtrHeld_ = rtsHeld_ = false;
  lowLatencyRefusal_.clear();
#if defined(Q_OS_UNIX)
  // Every frame waits for its reply, so a driver that batches received bytes
  // costs its batching time once per frame. Drivers that cannot, refuse.
  lowLatency_ = requestLowLatency(static_cast<int>(port_.handle()), &lowLatencyRefusal_);
#else
  lowLatency_ = false;
#endif
  return true;
}

void QtSerialPort::close() {
  lineWatcher_.reset();
  if (!port_.isOpen()) return;
  drainOutput(QDeadlineTimer(kCloseDrainLimitMs));
#if defined(Q_OS_UNIX)
  // A second descriptor keeps the port from being hung up while Qt puts
  // back the settings it was opened with; without HUPCL, its close then
  // leaves the asserted lines as they are.
  const int held = (dtrHeld_ || rtsHeld_) ? ::dup(static_cast<int>(port_.handle())) : -1;
#endif
  port_.close();  // puts back the terminal settings the port was opened with
  port_.clearError();
#if defined(Q_OS_UNIX)
  if (held >= 0) {
    termios settings{};
    if (::tcgetattr(held, &settings) == 0) {
      settings.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
      ::tcsetattr(held, TCSANOW, &settings);
    }
    ::close(held);
  }
#endif
}

bool QtSerialPort::setOutputLine(OutputLine line, bool asserted) {
  if (!port_.isOpen()) return false;
  const bool done = line == OutputLine::Dtr ? port_.setDataTerminalReady(asserted)
                                            : port_.setRequestToSend(asserted);
  port_.clearError();
  if (done) (line == OutputLine::Dtr ? dtrHeld_ : rtsHeld_) = asserted;
  return done;
}

std::optional<bool> QtSerialPort::inputLine(InputLine line) const {
  if (!port_.isOpen()) return std::nullopt;
  auto& port = const_cast<QSerialPort&>(port_);
  const QSerialPort::PinoutSignals lines = port.pinoutSignals();
  const bool failed = port.error() != QSerialPort::NoError;
  port.clearError();
  if (failed) return std::nullopt;
  switch (line) {
    case InputLine::Cts:
      return lines.testFlag(QSerialPort::ClearToSendSignal);
    case InputLine::Dsr:
      return lines.testFlag(QSerialPort::DataSetReadySignal);
    case InputLine::Dcd:
      return lines.testFlag(QSerialPort::DataCarrierDetectSignal);
    case InputLine::Ri:
      return lines.testFlag(QSerialPort::RingIndicatorSignal);
  }
  return std::nullopt;
}

bool QtSerialPort::watchInputLines(std::function<void()> handler) {
  lineWatcher_.reset();
  if (!port_.isOpen()) return false;
  lineWatcher_ = ModemLineWatcher::create(port_, std::move(handler));
  return lineWatcher_ != nullptr;
}

void QtSerialPort::stopWatchingInputLines() { lineWatcher_.reset(); }

void QtSerialPort::drainOutput(QDeadlineTimer deadline) {
  // Qt's buffer first: blocks in the kernel until the line takes more.
  while (port_.bytesToWrite() > 0 && !deadline.hasExpired()) {
    if (!port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
  }
#if defined(Q_OS_UNIX)
  // Then the driver's queue: a USB adapter may still hold bytes that must
  // leave at this speed, not at the one the restored settings name. tcdrain
  // has no time-out of its own, so it waits on a helper thread; when the
  // bound passes, the queue is discarded, which ends the wait.
  const int fd = static_cast<int>(port_.handle());
  std::future<int> drained = std::async(std::launch::async, [fd] { return ::tcdrain(fd); });
  const auto left = std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()));
  if (drained.wait_for(left) != std::future_status::ready) ::tcflush(fd, TCOFLUSH);
  drained.wait();
#endif
}

bool QtSerialPort::isOpen() const { return port_.isOpen(); }

bool QtSerialPort::write(std::span<const std::uint8_t> bytes) {
  if (!port_.isOpen()) return false;
#if defined(Q_OS_UNIX)
  // Straight into the driver's queue while Qt holds nothing back: QSerialPort
  // arms its write notifier for every write and wakes the loop once more only
  // to find its buffer empty. What the driver cannot take now waits in Qt's
  // buffer behind what is already there, and its notifier sends it as the
  // line drains; flushing into a full driver would fail as a resource error.
  if (port_.bytesToWrite() == 0 && !bytes.empty()) {
    const ssize_t written = ::write(static_cast<int>(port_.handle()), bytes.data(), bytes.size());
    if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (written > 0) bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  if (bytes.empty()) return true;
  const auto size = static_cast<qint64>(bytes.size());
  return port_.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
#else
  const auto size = static_cast<qint64>(bytes.size());
  const qint64 queued = port_.write(reinterpret_cast<const char*>(bytes.data()), size);
  if (queued != size) return false;
  port_.flush();
  return true;
#endif
}

std::vector<std::uint8_t> QtSerialPort::readAll() {
  // What Qt has buffered, straight into the result: QIODevice::readAll sizes
  // a 16 KB array for every reply and copies it once more.
  std::vector<std::uint8_t> data(bytesAvailable());
  const qint64 taken = data.empty() ? 0
                                    : port_.read(reinterpret_cast<char*>(data.data()),
                                                 static_cast<qint64>(data.size()));
  data.resize(static_cast<std::size_t>(std::max<qint64>(0, taken)));
  return data;
}

std::size_t QtSerialPort::bytesAvailable() const {
  return static_cast<std::size_t>(std::max<qint64>(0, port_.bytesAvailable()));
}

void QtSerialPort::discardInput() {
  if (!port_.isOpen()) return;
  port_.clear(QSerialPort::Input);
  port_.clearError();
}

void QtSerialPort::discardOutput() {
  if (!port_.isOpen()) return;
  port_.clear(QSerialPort::Output);
  port_.clearError();
}

void QtSerialPort::setReceiveHandler(std::function<void()> handler) {
  onReceive_ = std::move(handler);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
  // The device went away (adapter unplugged, simulator ended): its descriptor
  // keeps reporting readable, every read fails, and the event loop would spin
  // on it. Closing turns the rest of the run into ordinary time-outs.
  const bool gone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
  if (gone && port_.isOpen()) {
    lineWatcher_.reset();
    port_.close();
  }
}

}  // namespace qrk
