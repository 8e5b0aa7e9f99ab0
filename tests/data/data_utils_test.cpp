#include <gtest/gtest.h>

#include "data/cxDataBinding.h"
#include "data/cxDataUtils.h"
#include "platform/rtl/DateTime.h"

namespace {

// Restores the process-wide locale settings these tests change.
struct SettingsRestorer {
  ~SettingsRestorer() {
    SetLocaleFirstDayOfWeek(0);
    ResetFormatSettings();
  }
};

TEST(DataUtils, CompareTextWholeAndPartial) {
  struct Case {
    const char* search;
    const char* text;
    bool partial;
    bool expected;
  } cases[] = {
      {"", "", false, true},       {"", "a", true, false},     {"ab", "ABC", true, true},
      {"ab", "ABC", false, false}, {"abc", "ab", true, false}, {"ABC", "abc", false, true},
      {"i", "\xDD", false, true}, // the locale's upper case of i is the dotted capital
  };
  for (auto& c : cases)
    EXPECT_EQ(DataCompareText(c.search, c.text, c.partial), c.expected) << c.search << " / " << c.text;
}

TEST(DataUtils, CurrencyDisplayFormatPlacesTheQuotedSymbol) {
  SettingsRestorer restore;
  struct Case {
    const char* symbol;
    int decimals, format;
    const char* expected;
  } cases[] = {
      {"$", 2, 2, "$ ,0.00"}, {"$", 2, 0, "$,0.00"}, {"TL", 0, 3, ",0. TL"},     {"kr.", 2, 1, ",0.00kr'.'"},
      {"", 2, 2, ",0.00"},    {"$", 2, 7, ",0.00"},  {"a,b", 1, 0, "a','b,0.0"},
  };
  for (auto& c : cases) {
    FormatSettings.CurrencyString = c.symbol;
    FormatSettings.CurrencyDecimals = BYTE(c.decimals);
    FormatSettings.CurrencyFormat = BYTE(c.format);
    EXPECT_EQ(GetCurrencyDisplayFormat(), c.expected);
  }
}

TEST(DataUtils, WeeksStartOnTheLocaleDay) {
  SettingsRestorer restore;
  TDateTime wednesday = EncodeDate(2026, 12, 9) + 0.75;
  struct Case {
    int localeDay; // 0 Monday ... 6 Sunday
    int firstWeekDay;
    TDateTime start;
  } cases[] = {
      {0, 1, EncodeDate(2026, 12, 7)},
      {6, 0, EncodeDate(2026, 12, 6)},
      {4, 5, EncodeDate(2026, 12, 4)}, // Friday: the week began in the previous one
      {2, 3, EncodeDate(2026, 12, 9)},
  };
  for (auto& c : cases) {
    SetLocaleFirstDayOfWeek(c.localeDay);
    EXPECT_EQ(GetFirstWeekDay(), c.firstWeekDay);
    EXPECT_EQ(GetStartOfWeek(wednesday), c.start) << "locale day " << c.localeDay;
  }
}

struct BindingListener : TObject {
  std::vector<TObject*> senders;
  void Changed(TObject* Sender) { senders.push_back(Sender); }
};

TEST(DataBinding, EventsReachTheirHandlersWithTheBindingAsSender) {
  TComponent owner(nullptr), source(nullptr);
  TcxCustomDataBinding binding(&owner, &source);
  EXPECT_EQ(binding.GetOwner(), &owner);
  EXPECT_EQ(binding.DataComponent(), &source);
  binding.DataChanged(); // unassigned events do nothing
  BindingListener listener;
  binding.OnDataChange = TNotifyEvent(&listener, &BindingListener::Changed);
  binding.OnUpdateData = TNotifyEvent(&listener, &BindingListener::Changed);
  binding.DataChanged();
  binding.DataSetChanged();
  binding.UpdateData();
  EXPECT_EQ(listener.senders, (std::vector<TObject*>{&binding, &binding}));
  EXPECT_TRUE(VarIsNull(binding.GetStoredValue()));
  EXPECT_TRUE(binding.CanModify());
  EXPECT_FALSE(binding.IsLinked());
}

} // namespace
