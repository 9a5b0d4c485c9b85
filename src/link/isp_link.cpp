#include "link/isp_link.h"

#include <algorithm>

#include "link/frame.h"

namespace qrk {

IspLink::IspLink(SerialPort& port, EventLoop& loop)
    : port_(port),
      loop_(loop),
      replyTimer_(loop.createTimer()),
      gapTimer_(loop.createTimer()),
      overallTimer_(loop.createTimer()) {
  replyTimer_->setHandler([this] { onReplyWaitExpired(); });
  gapTimer_->setHandler([this] { onGapExpired(); });
  overallTimer_->setHandler([this] { onOverallLimit(); });
  port_.setReceiveHandler([this] { onReceive(); });
}

IspLink::~IspLink() { port_.setReceiveHandler(nullptr); }

bool IspLink::openPort(const std::string& portName, std::string* error) {
  if (port_.isOpen()) port_.close();
  std::string reason;
  if (!port_.open(portName, baud_, &reason)) {
    if (error) *error = reason.empty() ? "the port could not be opened" : reason;
    return false;
  }
  port_.discardInput();
  port_.discardOutput();
  configurePort();
  return true;
}

void IspLink::configurePort() {
  port_.discardInput();
  port_.discardOutput();
  assembler_.setUseCrc(useCrc_);
  assembler_.reset();
  replyReady_ = false;
}

void IspLink::flushReceive() {
  if (port_.isOpen()) {
    port_.discardInput();
    (void)port_.readAll();
  }
  assembler_.reset();
  replyReady_ = false;
}

bool IspLink::closePort() {
  replyTimer_->stop();
  gapTimer_->stop();
  overallTimer_->stop();
  for (int i = 0; i < 3 && port_.isOpen(); ++i) port_.close();
  return port_.isOpen();
}

bool IspLink::isOpen() const { return port_.isOpen(); }

void IspLink::setTimingDefaults() {
  replyWaitMs_ = kDefaultReplyWaitMs;
  gapMs_ = kDefaultGapMs;
}

void IspLink::resetReplyState() {
  replyReady_ = false;
  replyFailed_ = false;
  replyTimedOut_ = false;
}

void IspLink::armReplyWait(int waitMs) {
  currentWaitMs_ = waitMs;
  replyTimer_->start(waitMs);
  gapTimer_->stop();
  overallTimer_->start(std::max(waitMs, gapMs_) * kOverallWaitFactor + kOverallWaitMarginMs);
}

void IspLink::sendShortCommand(std::uint8_t command, int waitMs, std::uint8_t parameter) {
  sendFrame(buildShortCommand(command, familyByte(mapKind_), parameter, useCrc_), waitMs);
}

void IspLink::sendFrame(std::span<const std::uint8_t> frameBytes, int waitMs) {
  assembler_.setUseCrc(useCrc_);
  assembler_.reset();
  resetReplyState();
  armReplyWait(waitMs);
  if (trace_) trace_(TraceDirection::Sent, loop_.nowMs(), frameBytes);
  // A closed port drops the frame; the reply wait then runs out as for a
  // target that does not answer.
  if (port_.isOpen()) (void)port_.write(frameBytes);
}

void IspLink::expectAnotherFrame(int waitMs) {
  std::vector<std::uint8_t> early = assembler_.takeLeftovers();
  assembler_.setUseCrc(useCrc_);
  assembler_.startNextFrame();
  resetReplyState();
  armReplyWait(waitMs);
  if (!early.empty()) feed(early);
}

WaitOutcome IspLink::waitReply() {
  loop_.waitUntil(
      [this] { return replyReady_ || replyFailed_ || replyTimedOut_ || stopRequested_; });
  overallTimer_->stop();
  if (replyReady_) return WaitOutcome::Ready;
  if (stopRequested_) return WaitOutcome::Stopped;
  if (replyFailed_) return WaitOutcome::Failed;
  return WaitOutcome::TimedOut;
}

Reply IspLink::takeReply() const {
  const auto f = assembler_.frameBytes();
  return Reply(std::vector<std::uint8_t>(f.begin(), f.end()), useCrc_);
}

void IspLink::onReceive() {
  // Drain everything waiting: a reply that arrives in several reads within
  // one event is judged once all of it is in.
  while (port_.isOpen() && port_.bytesAvailable() > 0) {
    const std::vector<std::uint8_t> chunk = port_.readAll();
    if (chunk.empty()) break;
    if (trace_) trace_(TraceDirection::Received, loop_.nowMs(), chunk);
    feed(chunk);
  }
}

void IspLink::feed(std::span<const std::uint8_t> chunk) {
  if (assembler_.complete()) {
    (void)assembler_.feed(chunk);  // kept for a following expectAnotherFrame()
    return;
  }
  // Any arrival stops both countdowns; what happens next depends on the frame.
  replyTimer_->stop();
  gapTimer_->stop();
  switch (assembler_.feed(chunk)) {
    case ReplyAssembler::Outcome::Complete:
      if (assembler_.check() == FrameCheck::Good) {
        replyReady_ = true;
      } else {
        replyFailed_ = true;
      }
      break;
    case ReplyAssembler::Outcome::Abandoned:
      // A frame that cannot be a reply: wait for a new one as if nothing came.
      replyTimer_->start(currentWaitMs_);
      break;
    case ReplyAssembler::Outcome::NeedMore:
      // The rest must follow within the byte gap.
      if (port_.bytesAvailable() == 0) gapTimer_->start(gapMs_);
      break;
    case ReplyAssembler::Outcome::Idle:
      break;
  }
}

void IspLink::onReplyWaitExpired() {
  if (!replyReady_ && !replyFailed_) replyTimedOut_ = true;
}

void IspLink::onGapExpired() {
  if (!replyReady_ && !replyTimedOut_) replyFailed_ = true;
}

void IspLink::onOverallLimit() {
  if (replyReady_ || replyFailed_ || replyTimedOut_) return;
  replyTimer_->stop();
  gapTimer_->stop();
  replyTimedOut_ = true;
}

}  // namespace qrk
