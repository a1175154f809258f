#include <QApplication>

#include <gtest/gtest.h>

// GUI tests need a QApplication on the main thread. They run offscreen
// unless told otherwise: CTest's test discovery runs this binary without
// the tests' environment, and the machines that build have no display.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The pages speak the system's language unless told otherwise; the tests
  // expect English unless they choose Japanese themselves, so a developer's
  // Japanese desktop must not choose for them.
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) qunsetenv(name);
  qputenv("LANG", "C.UTF-8");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
