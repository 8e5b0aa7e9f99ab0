#pragma once
// Puts the process's locale settings, clock and code page back after a test that changes them.
#include <gtest/gtest.h>

#include "platform/rtl/DateTime.h"

class LocaleTest : public ::testing::Test {
protected:
  void TearDown() override {
    ResetFormatSettings();
    ResetClock();
    SetDefaultCodePage(1254);
  }
};
