#pragma once
#include "platform/rtl/SysUtils.h"

// S with every occurrence of Old replaced by New. Each search starts again at the beginning of the text built
// so far, so text produced by a replacement takes part in later matches ('ab' -> 'a' turns 'aabb' into 'aa').
// An empty Old or an empty S returns S. A New that contains Old could never reach a text free of Old and is
// refused with EInvalidArgument, as is a pair whose replacements keep feeding one another far beyond the
// length of S (such rewritings grow without end or faster than any caller could use).
AnsiString ReplaceAll(const AnsiString& Old, const AnsiString& New, const AnsiString& S);
