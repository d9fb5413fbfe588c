// Notices: what the person should know that is no error.
#include <atomic>
#include <cstdio>

#include "rtl/SysUtils.h"

namespace {

void ToStandardError(const std::string& Message) { std::fprintf(stderr, "note: %s\n", Message.c_str()); }

std::atomic<TNoticeProc> NoticeProc{&ToStandardError};

}  // namespace

void SetNoticeProc(TNoticeProc Proc) noexcept { NoticeProc.store(Proc != nullptr ? Proc : &ToStandardError); }

void Notice(const std::string& Message) { NoticeProc.load()(Message); }
