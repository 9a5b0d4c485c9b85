#pragma once

#include <QWidget>
#include <array>

#include "window_page.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace qrkgui {

// The tab "MCU/单片机": the model (`combMcuModel`), its ISP Space
// (`Combo2`), the memory map it gives (`txtISP_reange`) and the option panel
// (`picOption`): one row per option bit the model has, each with its YES/NO
// pair.
class OptionPanelPage : public QWidget, public WindowPage {
  Q_OBJECT

 public:
  explicit OptionPanelPage(const PageContext& context);

  // A model chosen by name, as if typed into the list.
  void chooseModel(const QString& name);

  // Tall enough for the model lines and every option row.
  QSize sizeHint() const override;

  void showModel() override;
  void showSettled() override;
  void showLock(const RunLock& lock) override { applyRunLock(*this, lock); }

 signals:
  void modelChanged();

 private:
  struct OptionRowWidgets {
    QWidget* row = nullptr;
    QLabel* english = nullptr;
    QLabel* chinese = nullptr;  // a second line, where the model has one
    std::array<QRadioButton*, 2> buttons{};
  };

  void showMemoryMap();
  void layoutOptionRows();

  qrk::Programmer& programmer_;
  qrk::WindowModel& model_;
  const Twips& twips_;
  QComboBox* modelList_;
  QComboBox* ispSpaceList_;
  std::array<QLineEdit*, 4> memoryMapBoxes_{};
  QWidget* optionPanel_;
  std::array<OptionRowWidgets, 8> optionRows_{};
};

}  // namespace qrkgui
