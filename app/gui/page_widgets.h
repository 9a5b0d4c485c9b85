#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <array>
#include <string_view>

namespace qrkgui {

// Small tools every page builds and fills its widgets with. The object names
// given here are the ones the users' documentation and the GUI tests find the
// controls by.

inline QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Texts>
QStringList qsList(const Texts& texts) {
  QStringList list;
  for (std::string_view t : texts) list << qs(t);
  return list;
}

template <typename W>
W* named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

inline QLabel* label(QWidget* parent, const QString& text, const QString& name = {}) {
  auto* l = new QLabel(text, parent);
  if (!name.isEmpty()) l->setObjectName(name);
  return l;
}

// One pair of option buttons of a control array: name_0 and name_1, in a
// container of their own so that each pair is exclusive by itself.
inline std::array<QRadioButton*, 2> radioPair(QWidget* parent, const QString& name,
                                              const QString& first, const QString& second) {
  return {named(new QRadioButton(first, parent), name + "_0"),
          named(new QRadioButton(second, parent), name + "_1")};
}

inline QComboBox* list(QWidget* parent, const QString& name, const QStringList& entries) {
  auto* box = named(new QComboBox(parent), name);
  box->addItems(entries);
  return box;
}

// Never a negative size, however small the window is dragged.
inline void place(QWidget* w, int x, int y, int width, int height) {
  w->setGeometry(x, y, std::max(0, width), std::max(0, height));
}

// What the core says, shown without firing the handlers that would tell the
// core again.
inline void setTextQuietly(QLineEdit* edit, const QString& text) {
  const QSignalBlocker blocker(edit);
  edit->setText(text);
}

inline void selectQuietly(QComboBox* box, int index) {
  const QSignalBlocker blocker(box);
  box->setCurrentIndex(index);
}

inline void checkQuietly(QAbstractButton* button, bool checked) {
  const QSignalBlocker blocker(button);
  button->setChecked(checked);
}

}  // namespace qrkgui
