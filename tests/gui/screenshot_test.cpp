// The window as rendered offscreen at 1024 x 768: every control inside the
// window and clear of its neighbours.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>

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

TEST(WindowScreenshot, AtTheUsualSizeEveryControlIsInsideAndClearOfItsNeighbours) {
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

}  // namespace
}  // namespace qrkgui
