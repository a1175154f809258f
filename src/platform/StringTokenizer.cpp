#include "platform/StringTokenizer.h"

QString CStringTokenizer::NextToken() {
  if (Position >= Text.size()) return QString();
  const std::int32_t start = Position;
  for (std::int32_t i = start; i < Text.size(); ++i) {
    if (Delimiters.contains(Text[i])) {
      Position = i + 1;
      return Text.mid(start, i - start);
    }
  }
  Position = static_cast<std::int32_t>(Text.size()) + 1;
  return Text.mid(start);
}
