#include <QApplication>

#include <gtest/gtest.h>

// GUI tests need a QApplication on the main thread; CTest runs them with
// QT_QPA_PLATFORM=offscreen so no display is needed.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
