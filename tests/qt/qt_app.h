#pragma once

#include <QCoreApplication>

namespace qrk::test {

// The adapters need a running QCoreApplication; the test binary's main comes
// from GoogleTest, so the first test that needs one creates it.
inline QCoreApplication& qtApp() {
  static int argc = 1;
  static char name[] = "test_qt";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

}  // namespace qrk::test
