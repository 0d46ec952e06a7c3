#pragma once
#include "report/text_appender.h"
#include "report/vocabulary.h"

// Both event describers name what they do not know by a kind label and, while
// the event is short enough, a hexadecimal dump of its bytes.
template <class Describer>
void setHexDump(Describer& event, const char* kind) {
    TextAppender(event.kindText, Describer::KindTextSize).text(kind);
    event.hasDetail = 1;
    event.hasNumber = 0;
    event.detailText[0] = 0;
    if (event.length <= Describer::MaxDumpLength) formatHexBytes(event.raw, event.length, event.detailText);
}
