#include "log/LogLineTag.h"

namespace {

thread_local QString ThreadTag;

}  // namespace

CLogLineTag::CLogLineTag(const QString& tag) : Previous(ThreadTag) { ThreadTag = tag; }

CLogLineTag::~CLogLineTag() { ThreadTag = Previous; }

const QString& CLogLineTag::Current() { return ThreadTag; }
