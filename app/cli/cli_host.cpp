#include "cli_host.h"

#include <algorithm>

#include "english_texts.h"
#include "ops/progress.h"
#include "process_os.h"

namespace qrkcli {

std::string toLfLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

CliHost::CliHost(std::FILE* out, std::FILE* err)
    : out_(out),
      err_(err),
      errIsTerminal_(isTerminal(err)),
      outIsTerminal_(isTerminal(out)),
      sharedScreen_(errIsTerminal_ && outIsTerminal_) {}

void CliHost::messageReplaced(const std::string& text) {
  // Printed text cannot be taken back. A new text that keeps the shown one
  // (or all of it but its last line, as the Re-Run countdown does) prints
  // only what is new; any other starts on a new line.
  std::size_t kept = 0;
  if (!shown_.empty() && text.starts_with(shown_)) {
    kept = shown_.size();
  } else if (const auto lastBreak = shown_.rfind('\n');
             lastBreak != std::string::npos &&
             text.compare(0, lastBreak + 1, shown_, 0, lastBreak + 1) == 0) {
    kept = lastBreak + 1;
  }
  const bool continues = kept != 0 && kept == shown_.size();
  shown_ = text;
  if (!continues && kept != 0 && outIsTerminal_ && !paneAtLineStart_ && !pendingCarriageReturn_) {
    // A terminal rewrites the last line in place (the countdown's seconds).
    clearProgressLine();
    std::fputs("\r\033[K", out_);
    paneLine_.clear();
    paneAtLineStart_ = true;
    writePane(text.substr(kept));
    return;
  }
  if (!continues && (!paneAtLineStart_ || pendingCarriageReturn_)) {
    pendingCarriageReturn_ = false;
    writePane("\n");
  }
  writePane(text.substr(kept));
}

void CliHost::messageAppended(const std::string& text) {
  shown_ += text;
  writePane(text);
}

void CliHost::writePane(const std::string& text) {
  if (text.empty()) return;
  // A CR LF pair may be split across two appends: hold a trailing CR until
  // the next text shows whether an LF follows.
  std::string pending = pendingCarriageReturn_ ? "\r" + text : text;
  pendingCarriageReturn_ = !pending.empty() && pending.back() == '\r';
  if (pendingCarriageReturn_) pending.pop_back();
  const std::string converted = toLfLineBreaks(pending);
  if (converted.empty()) return;
  clearProgressLine();
  std::fwrite(converted.data(), 1, converted.size(), out_);
  std::fflush(out_);
  paneAtLineStart_ = converted.back() == '\n';
  const auto lastBreak = converted.rfind('\n');
  if (lastBreak == std::string::npos) {
    paneLine_ += converted;
  } else {
    paneLine_ = converted.substr(lastBreak + 1);
  }
  if (progressVisible_) drawProgress();
}

void CliHost::finish() {
  if (pendingCarriageReturn_ || !paneAtLineStart_) {
    pendingCarriageReturn_ = false;
    std::fputc('\n', out_);
    paneAtLineStart_ = true;
    paneLine_.clear();
  }
  std::fflush(out_);
  clearProgressLine();
  std::fflush(err_);
}

void CliHost::setProgressVisible(bool visible) {
  if (!visible) clearProgressLine();
  progressVisible_ = visible;
  if (visible) drawProgress();
}

void CliHost::setProgressRange(int minimum, int maximum) {
  progressMinimum_ = minimum;
  progressMaximum_ = maximum;
  if (progressVisible_) drawProgress();
}

void CliHost::setProgressValue(int value) {
  progressValue_ = value;
  if (progressVisible_) drawProgress();
}

void CliHost::setKbyteText(const std::string& text) {
  kbyteText_ = text;
  if (progressVisible_) drawProgress();
}

void CliHost::drawProgress() {
  if (!errIsTerminal_) return;
  constexpr int kWidth = 40;
  const int span = std::max(1, progressMaximum_ - progressMinimum_);
  const int done = std::clamp(progressValue_ - progressMinimum_, 0, span);
  const int filled = done * kWidth / span;
  // The label's kilobytes, then the whole span's in the same form.
  const std::string total = qrk::kbyteText((span + 1) / 1024.0);
  // On a screen shared with the pane, a pane line not yet ended stays where
  // it is: the bar goes to the line below it.
  if (!progressDrawn_ && sharedScreen_ && !paneAtLineStart_) {
    std::fputc('\n', err_);
    barBelowPane_ = true;
  }
  std::fprintf(err_, "\r[%s%s] %3d%% %s of %s\033[K", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '.').c_str(), done * 100 / span,
               kbyteText_.empty() ? qrk::kbyteText(0).c_str() : kbyteText_.c_str(), total.c_str());
  std::fflush(err_);
  progressDrawn_ = true;
}

void CliHost::clearProgressLine() {
  if (!progressDrawn_) return;
  std::fputs("\r\033[K", err_);
  if (barBelowPane_) {
    // Back up to the pane's line, the cursor after its text, where the pane
    // goes on.
    std::fputs("\033[A\r", err_);
    std::fwrite(paneLine_.data(), 1, paneLine_.size(), err_);
    barBelowPane_ = false;
  }
  std::fflush(err_);
  progressDrawn_ = false;
}

qrk::MessageAnswer CliHost::messageBox(const std::string& text, const std::string& title,
                                       qrk::MessageButtons buttons) {
  clearProgressLine();
  const std::string shown = withEnglish(text);
  if (!title.empty()) std::fprintf(err_, "%s: ", title.c_str());
  std::fwrite(shown.data(), 1, shown.size(), err_);
  std::fflush(err_);
  if (buttons == qrk::MessageButtons::Ok) return qrk::MessageAnswer::Ok;
  if (assumeYes_) return qrk::MessageAnswer::Yes;
  if (!isTerminal(stdin)) {
    std::fputs("No terminal to answer on: taken as No (--yes answers Yes).\n", err_);
    std::fflush(err_);
    return qrk::MessageAnswer::No;
  }
  return askYesNo();
}

qrk::MessageAnswer CliHost::askYesNo() {
  std::fputs("Answer y or N: ", err_);
  std::fflush(err_);
  // A Ctrl-C ends the wait: the stop then comes through the event loop, and
  // an unanswered question is a No.
  std::string answer = readTerminalLine(16);
  while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) answer.pop_back();
  const bool yes = answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
  return yes ? qrk::MessageAnswer::Yes : qrk::MessageAnswer::No;
}

void CliHost::beep() {
  if (!errIsTerminal_) return;
  std::fputc('\a', err_);
  std::fflush(err_);
}

}  // namespace qrkcli
