#include "message_pane.h"

#include <QPlainTextEdit>

#include "page_widgets.h"
#include "window_host.h"

namespace qrkgui {

MessagePane::MessagePane(WindowHost& host, QWidget* parent)
    : QGroupBox(QStringLiteral("Message / 信息: "), parent), host_(host) {
  setObjectName(QStringLiteral("Frame3"));
  text_ = named(new QPlainTextEdit(this), QStringLiteral("textMsg"));
  text_->setReadOnly(true);
  host_.attachPane(text_);
}

MessagePane::~MessagePane() { host_.attachPane(nullptr); }

void MessagePane::layoutContents() { place(text_, 6, 20, width() - 12, height() - 26); }

}  // namespace qrkgui
