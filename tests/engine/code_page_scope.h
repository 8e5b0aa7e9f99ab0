#pragma once
#include "platform/rtl/SysUtils.h"

// Switches the default code page for one test and puts the previous one back however the test ends.
class CodePageScope {
public:
  explicit CodePageScope(UINT cp) : saved_(GetACP()) { SetDefaultCodePage(cp); }
  ~CodePageScope() { SetDefaultCodePage(saved_); }
  CodePageScope(const CodePageScope&) = delete;
  CodePageScope& operator=(const CodePageScope&) = delete;

private:
  UINT saved_;
};
