#pragma once

#include <QString>

#include <cstdint>

// Splits a text at any character of a delimiter set. Adjacent delimiters
// give empty tokens, a leading delimiter an empty first token, and a
// trailing delimiter no trailing empty token: with "," the text "a,,b"
// gives a, "" and b, and "a," gives only a.
class CStringTokenizer {
public:
  CStringTokenizer(const QString& text, const QString& delimiters)
      : Text(text), Delimiters(delimiters) {}

  bool HasMoreTokens() const { return Position < Text.size(); }
  QString NextToken();
  std::int32_t GetPosition() const { return Position; }

private:
  QString Text;
  QString Delimiters;
  std::int32_t Position = 0;
};
