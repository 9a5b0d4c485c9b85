#include "row_list.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPalette>

namespace qrkgui {

RowList::RowList(const QString& prefix, int firstIndex, int count, QWidget* parent)
    : QWidget(parent), firstIndex_(firstIndex) {
  for (int i = 0; i < count; ++i) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(prefix + '_' + QString::number(firstIndex + i));
    edit->setReadOnly(true);
    // Rows are packed tightly; a frame would leave no room for the text.
    edit->setFrame(false);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setCursor(Qt::ArrowCursor);
    // The row is a button-like cell: the line edit must not eat the clicks.
    edit->installEventFilter(this);
    rows_.push_back(edit);
  }
  layoutRows(22);
}

void RowList::setRowText(int i, const QString& text) {
  if (QLineEdit* r = row(i)) r->setText(text);
}

void RowList::setSelectedRow(int i) {
  selected_ = (i >= 0 && i < count()) ? i : -1;
  for (int k = 0; k < count(); ++k) {
    QPalette p = palette();
    if (k == selected_) {
      p.setColor(QPalette::Base, p.color(QPalette::Highlight));
      p.setColor(QPalette::Text, p.color(QPalette::Window));
    } else {
      p.setColor(QPalette::Base, p.color(QPalette::Window));
      p.setColor(QPalette::Text, Qt::black);
    }
    rows_[k]->setPalette(p);
  }
}

void RowList::layoutRows(int rowHeight) {
  for (int k = 0; k < count(); ++k) {
    rows_[k]->setGeometry(0, k * rowHeight, width(), std::max(0, rowHeight - 1));
  }
}

bool RowList::eventFilter(QObject* watched, QEvent* event) {
  const int k = rows_.indexOf(static_cast<QLineEdit*>(watched));
  if (k < 0) return QWidget::eventFilter(watched, event);
  if (!isEnabled()) return true;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      emit pressed(firstIndex_ + k);
      return true;
    case QEvent::MouseButtonDblClick:
      emit doubleClicked(firstIndex_ + k);
      return true;
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
}

}  // namespace qrkgui
