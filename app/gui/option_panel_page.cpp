#include "option_panel_page.h"

#include "device/option_panel.h"
#include "ops/programmer.h"
#include "page_widgets.h"
#include "twips.h"
#include "ui/window_model.h"

namespace qrkgui {

namespace {

constexpr int kOptionPanelWidthTwips = 5800;
constexpr int kOptionPanelHeightTwips = 3050;
constexpr int kModelLinesHeight = 62;  // the model, ISP Space and memory-map lines above the panel

}  // namespace

OptionPanelPage::OptionPanelPage(const PageContext& context)
    : programmer_(context.programmer), model_(context.model), twips_(context.twips) {
  static_assert(std::tuple_size_v<decltype(optionRows_)> == qrk::kOptionRowCount);
  setObjectName(QStringLiteral("Frame1_0"));
  label(this, QStringLiteral("MCU Type:"))->setGeometry(6, 8, 70, 22);
  modelList_ = named(new QComboBox(this), QStringLiteral("combMcuModel"));
  // Editable: the models that are not listed are chosen by typing their name.
  modelList_->setEditable(true);
  modelList_->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& m : qrk::WindowModel::modelEntries()) {
    modelList_->addItem(QString::fromStdString(m));
  }
  modelList_->setGeometry(78, 6, 120, 24);
  label(this, QStringLiteral("ISP Space"))->setGeometry(212, 8, 62, 22);
  ispSpaceList_ = named(new QComboBox(this), QStringLiteral("Combo2"));
  ispSpaceList_->setGeometry(276, 6, 110, 24);
  label(this, QStringLiteral("AP Memory    ISP Memory"))->setGeometry(6, 34, 176, 22);
  for (int i = 0; i < 4; ++i) {
    memoryMapBoxes_[i] = named(new QLineEdit(this), QStringLiteral("txtISP_reange_%1").arg(i));
    memoryMapBoxes_[i]->setReadOnly(true);
    memoryMapBoxes_[i]->setAlignment(Qt::AlignCenter);
    memoryMapBoxes_[i]->setGeometry(184 + i * 60, 34, 56, 22);
  }
  optionPanel_ = named(new QWidget(this), QStringLiteral("picOption"));
  for (int row = 0; row < qrk::kOptionRowCount; ++row) {
    OptionRowWidgets& r = optionRows_[row];
    r.row = named(new QWidget(optionPanel_), QStringLiteral("Picture2_%1").arg(row));
    r.english = label(r.row, {}, QStringLiteral("LabOptionE_%1").arg(row));
    r.chinese = label(r.row, {}, QStringLiteral("LabOptionC_%1").arg(row));
    r.buttons = radioPair(r.row, QStringLiteral("Option%1").arg(row), QStringLiteral("YES"),
                          QStringLiteral("NO"));
    r.row->hide();
    for (int button = 0; button < 2; ++button) {
      connect(r.buttons[button], &QRadioButton::clicked, this, [this, row, button] {
        programmer_.options().rows[static_cast<std::size_t>(row)].selected = button;
      });
    }
  }
  layoutOptionRows();

  connect(modelList_, &QComboBox::activated, this, [this](int index) {
    model_.modelChosen(index);
    emit modelChanged();
  });
  // A typed name: the models that are not listed are chosen this way.
  connect(modelList_->lineEdit(), &QLineEdit::editingFinished, this,
          [this] { chooseModel(modelList_->currentText()); });
  connect(ispSpaceList_, &QComboBox::activated, this, [this](int index) {
    model_.ispSpaceChosen(index);
    showMemoryMap();
  });
}

QSize OptionPanelPage::sizeHint() const {
  return {twips_.px(kOptionPanelWidthTwips) + 8,
          kModelLinesHeight + twips_.px(kOptionPanelHeightTwips) + 6};
}

void OptionPanelPage::chooseModel(const QString& name) {
  const std::string typed = name.trimmed().toStdString();
  if (typed == model_.state().modelText) return;
  model_.modelTextChanged(typed);
  emit modelChanged();
}

void OptionPanelPage::showModel() {
  {
    const QSignalBlocker blocker(modelList_);
    modelList_->setCurrentText(QString::fromStdString(programmer_.model().name));
  }
  const qrk::OptionPanel& panel = programmer_.options();
  for (int row = 0; row < qrk::kOptionRowCount; ++row) {
    const qrk::OptionRow& shown = panel.rows[static_cast<std::size_t>(row)];
    OptionRowWidgets& r = optionRows_[row];
    r.row->setVisible(shown.visible);
    r.english->setText(QString::fromStdString(shown.caption));
    r.chinese->setText(QString::fromStdString(shown.secondCaption));
    r.chinese->setVisible(shown.secondCaptionVisible);
    for (int b = 0; b < 2; ++b) {
      r.buttons[b]->setText(
          QString::fromStdString(shown.buttonCaptions[static_cast<std::size_t>(b)]));
      r.buttons[b]->setChecked(shown.selected == b);
    }
  }
  {
    const QSignalBlocker blocker(ispSpaceList_);
    ispSpaceList_->clear();
    for (const std::string& e : panel.ispSpaceEntries) {
      ispSpaceList_->addItem(QString::fromStdString(e));
    }
    ispSpaceList_->setCurrentIndex(
        ispSpaceList_->findText(QString::fromStdString(panel.ispSpaceText)));
  }
  layoutOptionRows();
  showMemoryMap();
}

void OptionPanelPage::showSettled() {
  {
    const QSignalBlocker blocker(modelList_);
    modelList_->setCurrentText(QString::fromStdString(model_.state().modelText));
  }
  selectQuietly(ispSpaceList_, model_.ispSpaceIndex());
  showMemoryMap();
}

void OptionPanelPage::showMemoryMap() {
  const qrk::MemoryMapTexts boxes = model_.memoryMap();
  const std::array<const std::string*, 4> texts = {&boxes.apFirst, &boxes.apEnd, &boxes.ispStart,
                                                   &boxes.ispEnd};
  for (int i = 0; i < 4; ++i) memoryMapBoxes_[i]->setText(QString::fromStdString(*texts[i]));
}

void OptionPanelPage::layoutOptionRows() {
  place(optionPanel_, 4, kModelLinesHeight, twips_.px(kOptionPanelWidthTwips),
        twips_.px(kOptionPanelHeightTwips));
  int shown = 0;
  for (const OptionRowWidgets& r : optionRows_) shown += r.row->isVisibleTo(optionPanel_) ? 1 : 0;
  const int rowHeight = optionPanel_->height() / std::max(1, shown);
  const int buttonWidth = 92;
  const int captionWidth = optionPanel_->width() - 2 * buttonWidth - 4;
  int y = 0;
  for (const OptionRowWidgets& r : optionRows_) {
    if (!r.row->isVisibleTo(optionPanel_)) continue;
    place(r.row, 0, y, optionPanel_->width(), rowHeight);
    const bool twoLines = r.chinese->isVisibleTo(r.row);
    const int lineHeight = twoLines ? rowHeight / 2 : rowHeight;
    place(r.english, 2, 0, captionWidth, lineHeight);
    place(r.chinese, 2, lineHeight, captionWidth, rowHeight - lineHeight);
    place(r.buttons[0], captionWidth + 4, 0, buttonWidth, rowHeight);
    place(r.buttons[1], captionWidth + 4 + buttonWidth, 0, buttonWidth, rowHeight);
    y += rowHeight;
  }
}

}  // namespace qrkgui
