#include <optional>
#include <vector>

#include "win_fixture.h"

#include "platform/win/Clipboard.h"

namespace {

// A desktop clipboard that records what the program gives it.
class FakeDesktop : public platform::ClipboardHost {
public:
  std::optional<WideString> text;
  std::vector<std::string> calls;
  std::optional<WideString> ReadText() override {
    calls.push_back("read");
    return text;
  }
  void WriteText(std::u16string_view t) override {
    calls.push_back("write");
    text = WideString(t);
  }
  void Clear() override {
    calls.push_back("clear");
    text.reset();
  }
};

class ClipboardTest : public WinTest {
protected:
  void SetUp() override {
    WinTest::SetUp();
    platform::ResetClipboard();
  }
  void TearDown() override {
    platform::SetClipboardHost(nullptr);
    platform::ResetClipboard();
    WinTest::TearDown();
  }
};

TEST_F(ClipboardTest, DataNeedsTheClipboardOpenAndOneOwnerAtATime) {
  HWND a = Top(0, 0, 10, 10);
  HWND b = Top(20, 0, 10, 10);
  EXPECT_FALSE(SetClipboardData(CF_TEXT, std::string_view("x"))) << "closed";
  ASSERT_TRUE(OpenClipboard(a));
  EXPECT_FALSE(OpenClipboard(b)) << "already open";
  EXPECT_EQ(GetOpenClipboardWindow(), a);
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(GetClipboardOwner(), a);
  EXPECT_FALSE(SetClipboardData(CF_UNICODETEXT, std::string_view("x"))) << "8-bit text is CF_TEXT only";
  EXPECT_FALSE(SetClipboardData(2, std::string_view("x")));
  EXPECT_TRUE(SetClipboardData(CF_TEXT, std::string_view("g\xFC"
                                                         "n")));
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());

  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "the other text format is synthesised";
  EXPECT_FALSE(IsClipboardFormatAvailable(2));
  AnsiString ansi;
  WideString wide;
  EXPECT_FALSE(GetClipboardData(CF_TEXT, &ansi)) << "closed";
  ASSERT_TRUE(OpenClipboard(b));
  EXPECT_TRUE(GetClipboardData(CF_TEXT, &ansi));
  EXPECT_TRUE(GetClipboardData(CF_UNICODETEXT, &wide));
  EXPECT_FALSE(GetClipboardData(CF_UNICODETEXT, &ansi));
  CloseClipboard();
  EXPECT_EQ(ansi, "g\xFC"
                  "n");
  EXPECT_EQ(wide, u"g\u00FCn");

  DestroyWindow(a);
  EXPECT_EQ(GetClipboardOwner(), nullptr) << "a destroyed owner is no owner";
  EXPECT_EQ(platform::GetClipboardText(nullptr).value_or("?"), "g\xFC"
                                                               "n")
      << "the data outlives it";
}

TEST_F(ClipboardTest, ADesktopHostSeesWhatIsSetAndSuppliesWhatIsRead) {
  FakeDesktop desktop;
  desktop.text = u"from the desktop";
  platform::SetClipboardHost(&desktop);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(platform::GetClipboardText(nullptr).value_or("?"), "from the desktop");

  desktop.calls.clear();
  ASSERT_TRUE(platform::SetClipboardText(nullptr, "from the program"));
  EXPECT_EQ(desktop.text, std::optional<WideString>(u"from the program"));
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"read", "write"})) << "written once, on close";

  desktop.calls.clear();
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"read", "clear"}));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));

  desktop.calls.clear();
  ASSERT_TRUE(OpenClipboard(nullptr));
  CloseClipboard();
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"read"}))
      << "an unchanged clipboard is not written back";
}

} // namespace
