#include "platform/ui/StaticText.h"

#include <QPainter>
#include <QTextLayout>

#include <memory>
#include <vector>

CStaticText::CStaticText(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
}

void CStaticText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  const QRectF area = contentsRect();
  const qreal lineHeight = QFontMetricsF(font()).height();
  QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

  std::vector<std::unique_ptr<QTextLayout>> paragraphs;
  int lines = 0;
  for (const QString& paragraph : text().split(QLatin1Char('\n'))) {
    auto layout = std::make_unique<QTextLayout>(paragraph, font());
    layout->setTextOption(option);
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
      line.setLineWidth(area.width());
      line.setPosition(QPointF(0, lineHeight * lines++));
    }
    layout->endLayout();
    paragraphs.push_back(std::move(layout));
  }

  qreal top = area.top();
  if (alignment() & Qt::AlignVCenter) top += (area.height() - lineHeight * lines) / 2;
  painter.setClipRect(area);
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  for (const auto& layout : paragraphs) layout->draw(&painter, QPointF(area.left(), top));
}
