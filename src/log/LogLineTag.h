#pragma once

#include <QString>

// While it lives, every log line the constructing thread writes starts with
// the tag. Parts fetched at once log from several threads: each line names
// its part, so a reader can follow one part through the interleaved lines.
class CLogLineTag {
public:
  explicit CLogLineTag(const QString& tag);
  ~CLogLineTag();
  CLogLineTag(const CLogLineTag&) = delete;
  CLogLineTag& operator=(const CLogLineTag&) = delete;

  // The calling thread's tag; empty without one.
  static const QString& Current();

private:
  QString Previous;
};
