#pragma once

#include <QTabWidget>
#include <vector>

#include "window_page.h"

namespace qrkgui {

// A tab strip of pages (`TabStrip1`, `TabStrip2`). Each tab carries the key
// the users' documentation names it by; a page that is not available shows
// the caption "_no_", cannot be chosen, and a click on it moves on to the
// next tab that is.
class PageTabs : public QTabWidget, public WindowPage {
  Q_OBJECT

 public:
  static constexpr const char* kNoTabCaption = "_no_";

  PageTabs(const QString& objectName, QWidget* parent);
  ~PageTabs() override;

  template <typename Page>
  void addPage(Page* page, const char* caption, const char* key, const char* tip = "") {
    addPage(page, static_cast<WindowPage*>(page), caption, key, tip);
  }

  void showSaved() override { showAvailability(); }
  void showModel() override { showAvailability(); }

 private:
  void addPage(QWidget* widget, WindowPage* page, const char* caption, const char* key,
               const char* tip);
  void showAvailability();
  void moveOffUnavailable(int index);

  std::vector<WindowPage*> pages_;
  std::vector<QString> captions_;
};

}  // namespace qrkgui
