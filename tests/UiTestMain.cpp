#include <QApplication>

#include <gtest/gtest.h>

// GUI tests need a QApplication on the main thread. They run offscreen
// unless told otherwise: CTest's test discovery runs this binary without
// the tests' environment, and the machines that build have no display.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
