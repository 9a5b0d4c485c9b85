#pragma once

#include <QLineEdit>
#include <QString>
#include <QVector>
#include <QWidget>

namespace qrkgui {

// A column of one-line, read-only rows (`txtFuction`, `txtAuto`): the rows of
// a control array, named prefix_index. At most one row shows as selected, in
// the system highlight colours; the owner decides which.
class RowList : public QWidget {
  Q_OBJECT

 public:
  RowList(const QString& prefix, int firstIndex, int count, QWidget* parent = nullptr);

  int count() const { return static_cast<int>(rows_.size()); }
  QLineEdit* row(int i) const { return rows_.value(i); }
  void setRowText(int i, const QString& text);
  // -1 selects none.
  void setSelectedRow(int i);
  int selectedRow() const { return selected_; }
  // Lays the rows out top to bottom, `rowHeight` pixels each.
  void layoutRows(int rowHeight);

 signals:
  void pressed(int index);
  void doubleClicked(int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QVector<QLineEdit*> rows_;
  int firstIndex_;
  int selected_ = -1;
};

}  // namespace qrkgui
