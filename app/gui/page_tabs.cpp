#include "page_tabs.h"

#include <QTabBar>

namespace qrkgui {

PageTabs::PageTabs(const QString& objectName, QWidget* parent) : QTabWidget(parent) {
  setObjectName(objectName);
  // The bar reports a click before it changes the tab, also on a disabled tab.
  connect(tabBar(), &QTabBar::tabBarClicked, this, &PageTabs::moveOffUnavailable);
  connect(this, &QTabWidget::currentChanged, this, [this](int index) {
    moveOffUnavailable(index);
    if (index == currentIndex() && index >= 0) pages_[static_cast<std::size_t>(index)]->opened();
  });
}

PageTabs::~PageTabs() {
  // Removing the pages as the strip goes changes its tab; the pages are gone by then.
  disconnect(tabBar(), nullptr, this, nullptr);
  disconnect(this, nullptr, this, nullptr);
}

void PageTabs::addPage(QWidget* widget, WindowPage* page, const char* caption, const char* key,
                       const char* tip) {
  pages_.push_back(page);
  captions_.push_back(QString::fromUtf8(caption));
  const int index = addTab(widget, captions_.back());
  tabBar()->setTabData(index, QString::fromUtf8(key));
  setTabToolTip(index, QString::fromUtf8(tip));
}

void PageTabs::showAvailability() {
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    const bool available = pages_[i]->available();
    const int index = static_cast<int>(i);
    setTabText(index, available ? captions_[i] : QString::fromUtf8(kNoTabCaption));
    setTabEnabled(index, available);
  }
  moveOffUnavailable(currentIndex());
}

void PageTabs::moveOffUnavailable(int index) {
  if (index < 0 || index >= count() || pages_[static_cast<std::size_t>(index)]->available()) {
    return;
  }
  for (int step = 1; step < count(); ++step) {
    const int candidate = (index + step) % count();
    if (pages_[static_cast<std::size_t>(candidate)]->available()) {
      setCurrentIndex(candidate);
      return;
    }
  }
}

}  // namespace qrkgui
