#include "rtl/SysUtils.h"

#include "rtl_consts.h"

EAssertionFailed::EAssertionFailed(std::string_view AMessage, std::string_view ASourceName, int ALine)
    : Exception(Format(rtl_consts::SAssertError, {AMessage, ASourceName, ALine})),
      FSourceName(ASourceName),
      FLine(ALine) {}

void AssertErrorHandler(std::string_view Message, std::string_view SourceName, int Line) {
  throw EAssertionFailed(Message, SourceName, Line);
}
