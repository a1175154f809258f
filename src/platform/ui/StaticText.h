#pragma once

#include <QLabel>

// A static text as the templates expect it: wrapped at words (anywhere in
// Japanese) and with the line spacing of the dialog font. Fonts for
// Japanese lay lines out about a third taller, which would push the last
// lines of the longer page texts out of their boxes.
class CStaticText : public QLabel {
public:
  CStaticText(const QString& text, QWidget* parent);

protected:
  void paintEvent(QPaintEvent* event) override;
};
