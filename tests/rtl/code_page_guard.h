#pragma once
// Restores the process's default code page when a test that changed it ends.
#include "platform/rtl/SysUtils.h"

class CodePageGuard {
public:
  explicit CodePageGuard(UINT codePage) : saved_(GetACP()) { SetDefaultCodePage(codePage); }
  ~CodePageGuard() { SetDefaultCodePage(saved_); }
  CodePageGuard(const CodePageGuard&) = delete;
  CodePageGuard& operator=(const CodePageGuard&) = delete;

private:
  UINT saved_;
};
