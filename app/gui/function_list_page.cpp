#include "function_list_page.h"

#include <QPushButton>

#include "ops/function_list.h"
#include "ops/programmer.h"
#include "page_widgets.h"
#include "row_list.h"

namespace qrkgui {

FunctionListPage::FunctionListPage(const PageContext& context) : programmer_(context.programmer) {
  using qrk::FunctionList;
  setObjectName(QStringLiteral("Frame1_2"));
  auto* paletteBox = named(new QWidget(this), QStringLiteral("Picture3"));
  paletteBox->setGeometry(6, 6, 130, 8 * 22);
  palette_ = new RowList(QStringLiteral("txtAuto"), 0, FunctionList::kPaletteRows, paletteBox);
  palette_->setGeometry(0, 0, 130, 8 * 22);
  palette_->layoutRows(22);
  struct Edit {
    const char* caption;
    void (*apply)(FunctionList&);
  };
  const std::array<Edit, 3> edits = {{
      {"Add/添加 -->", [](FunctionList& l) { l.add(); }},
      {"<-- Del/删除", [](FunctionList& l) { l.remove(); }},
      {"<== Del All", [](FunctionList& l) { l.removeAll(); }},
  }};
  for (int i = 0; i < 3; ++i) {
    auto* button = named(new QPushButton(QString::fromUtf8(edits[i].caption), this),
                         QStringLiteral("comAuto_%1").arg(i));
    button->setGeometry(146, 20 + i * 40, 110, 30);
    connect(button, &QPushButton::clicked, this, [this, apply = edits[i].apply] {
      apply(programmer_.functionList());
      showLists();
    });
  }
  auto* slotBox = named(new QWidget(this), QStringLiteral("picAuto"));
  slotBox->setGeometry(266, 6, 124, 8 * 22);
  slots_ = new RowList(QStringLiteral("txtAuto"), FunctionList::kFirstSlot,
                       FunctionList::kSlotCount, slotBox);
  slots_->setGeometry(0, 0, 124, 8 * 22);
  slots_->layoutRows(22);

  for (RowList* rows : {palette_, slots_}) {
    connect(rows, &RowList::pressed, this, [this](int row) {
      programmer_.functionList().press(row);
      showLists();
    });
    connect(rows, &RowList::doubleClicked, this, [this](int row) {
      programmer_.functionList().press(row);
      programmer_.functionList().doubleClick(row);
      showLists();
    });
  }
}

void FunctionListPage::showLists() {
  using qrk::FunctionList;
  const FunctionList& list = programmer_.functionList();
  for (int row = 0; row < FunctionList::kRowCount; ++row) {
    const bool inPalette = row < FunctionList::kFirstSlot;
    RowList* rows = inPalette ? palette_ : slots_;
    rows->setRowText(inPalette ? row : row - FunctionList::kFirstSlot,
                     QString::fromStdString(list.rowText(row)));
  }
  const int selected = list.selectedRow();
  palette_->setSelectedRow(selected < FunctionList::kFirstSlot ? selected : -1);
  slots_->setSelectedRow(selected >= FunctionList::kFirstSlot ? selected - FunctionList::kFirstSlot
                                                              : -1);
}

}  // namespace qrkgui
