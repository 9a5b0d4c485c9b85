// The window as rendered offscreen at 1024 x 768: every control inside the
// window and clear of its neighbours, the Chinese captions drawn with glyphs.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRawFont>
#include <QTabBar>
#include <QTextLayout>

#include "window_bench.h"

namespace qrkgui {
namespace {

using test::WindowBench;

bool isQtInternal(const QWidget* w) {
  return w->objectName().startsWith("qt_") || w->inherits("QTabBar") ||
         w->inherits("QStackedWidget") || w->parentWidget()->inherits("QTabBar");
}

// Pairs of visible siblings whose rectangles meet, inside every container
// that lays out its children itself.
QStringList overlaps(const QWidget& window) {
  QStringList found;
  QList<QWidget*> containers = window.findChildren<QWidget*>();
  containers.prepend(const_cast<QWidget*>(&window));
  for (QWidget* parent : containers) {
    if (!parent->isVisibleTo(&window) && parent != &window) continue;
    if (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractScrollArea*>(parent) ||
        qobject_cast<QLineEdit*>(parent) || parent->inherits("QTabBar")) {
      continue;
    }
    QList<QWidget*> children;
    for (QWidget* c : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (c->isVisibleTo(&window) && !isQtInternal(c) && !c->isWindow()) children << c;
    }
    for (int i = 0; i < children.size(); ++i) {
      for (int k = i + 1; k < children.size(); ++k) {
        if (children[i]->geometry().intersects(children[k]->geometry())) {
          found << parent->objectName() + ": " + children[i]->objectName() + "/" +
                       children[i]->metaObject()->className() + " meets " +
                       children[k]->objectName() + "/" + children[k]->metaObject()->className();
        }
      }
    }
  }
  return found;
}

QStringList outsideTheWindow(const QWidget& window) {
  QStringList found;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&window) || isQtInternal(w) || w->isWindow()) continue;
    const QRect inWindow(w->mapTo(&window, QPoint(0, 0)), w->size());
    if (!window.rect().contains(inWindow))
      found << w->objectName() + " " + w->metaObject()->className();
  }
  return found;
}

bool hasCjk(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF) return true;
  }
  return false;
}

// Whether every glyph the text is drawn with exists in the font that draws
// it (glyph 0 is the empty box a missing glyph shows).
bool drawnWithGlyphs(const QString& text, const QFont& font) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  for (const QGlyphRun& run : layout.glyphRuns()) {
    for (quint32 glyph : run.glyphIndexes()) {
      if (glyph == 0) return false;
    }
  }
  return !layout.glyphRuns().isEmpty();
}

QList<QPair<QString, QFont>> captions(const QWidget& window) {
  QList<QPair<QString, QFont>> all;
  for (QLabel* l : window.findChildren<QLabel*>()) all.append({l->text(), l->font()});
  for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
    all.append({b->text(), b->font()});
  for (QGroupBox* g : window.findChildren<QGroupBox*>()) all.append({g->title(), g->font()});
  for (QTabBar* bar : window.findChildren<QTabBar*>()) {
    for (int i = 0; i < bar->count(); ++i) all.append({bar->tabText(i), bar->font()});
  }
  for (QComboBox* box : window.findChildren<QComboBox*>()) {
    for (int i = 0; i < box->count(); ++i) all.append({box->itemText(i), box->font()});
  }
  return all;
}

TEST(WindowScreenshot, AtTheUsualSizeEveryControlIsInsideClearOfItsNeighboursAndLegible) {
  WindowBench b;
  // A kind-2 model (all eight option rows, the board tab) after a whole run.
  b.window.chooseModel("QRK5-16B");
  b.wait(150);  // the settings tick chooses the first ISP Space and names the port
  b.window.openFile(QStringLiteral(QRK_SOURCE_DIR "/firmware/examples/blink.hex"));
  b.click("txtFuction_0");
  b.click("comDownload");
  b.window.resize(1024, 768);
  ASSERT_EQ(b.window.size(), QSize(1024, 768));
  EXPECT_EQ(overlaps(b.window), QStringList());
  EXPECT_EQ(outsideTheWindow(b.window), QStringList());

  int chinese = 0;
  QStringList missing;
  for (const auto& [text, font] : captions(b.window)) {
    if (!hasCjk(text)) continue;
    ++chinese;
    if (!drawnWithGlyphs(text, font)) missing << text;
  }
  EXPECT_GT(chinese, 40);
  EXPECT_EQ(missing, QStringList()) << "install a CJK font (fonts-noto-cjk)";

  const QImage shot = b.window.grab().toImage();
  EXPECT_EQ(shot.size(), QSize(1024, 768) * shot.devicePixelRatio());
  const QString out = QStringLiteral(QRK_BIN_DIR) + "/window.png";
  EXPECT_TRUE(shot.save(out));
  // The picture in the README is this one: QRK_SCREENSHOT=docs/window.png refreshes it.
  const QByteArray readmeCopy = qgetenv("QRK_SCREENSHOT");
  if (!readmeCopy.isEmpty()) {
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(readmeCopy)));
  }
}

TEST(WindowScreenshot, DraggedBelowItsMinimumTheWindowKeepsItAndNoSizeGoesNegative) {
  WindowBench b;
  for (const QSize asked : {QSize(10, 10), QSize(2000, 20), QSize(40, 1400)}) {
    b.window.resize(asked);
    EXPECT_GE(b.window.width(), b.window.minimumWidth());
    EXPECT_GE(b.window.height(), b.window.minimumHeight());
    for (QWidget* w : b.window.findChildren<QWidget*>()) {
      EXPECT_GE(w->width(), 0) << w->objectName().toStdString();
      EXPECT_GE(w->height(), 0) << w->objectName().toStdString();
    }
    EXPECT_GE(b.window.hexView().lineCapacity(), 1);
  }
  // Twips at the screen's DPI: 1000 x 7000 is 0.69 x 4.86 inches.
  const double dpi = b.window.logicalDpiY();
  EXPECT_NEAR(b.window.minimumHeight(), 7000 * dpi / 1440, 1);
  EXPECT_NEAR(b.window.minimumWidth(), 1000 * dpi / 1440, 1);
}

}  // namespace
}  // namespace qrkgui
