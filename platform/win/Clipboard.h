#pragma once
// The clipboard. It holds text only, kept in both text formats at once: whichever is set, the other is
// answered by conversion through the default code page, as the platform synthesises one from the other.
// Data goes in and out as typed text in place of global memory handles.
#include <optional>
#include <string_view>

#include "platform/rtl/SysUtils.h"
#include "platform/win/WinDefs.h"

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_UNICODETEXT = 13;

BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Clears the contents and makes the window that opened the clipboard its owner.
BOOL EmptyClipboard();
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();
// Need the clipboard open. CF_TEXT takes code-page text, CF_UNICODETEXT UTF-16; any other pairing fails.
BOOL SetClipboardData(UINT format, std::string_view text);
BOOL SetClipboardData(UINT format, std::u16string_view text);
BOOL GetClipboardData(UINT format, AnsiString* text);
BOOL GetClipboardData(UINT format, WideString* text);
BOOL IsClipboardFormatAvailable(UINT format);

namespace platform {

// A desktop clipboard that a backend shares with the program. While one is installed the clipboard's text
// is read from it when the clipboard is opened and written to it when a changed clipboard is closed.
class ClipboardHost {
public:
  virtual ~ClipboardHost() = default;
  virtual std::optional<WideString> ReadText() = 0;
  virtual void WriteText(std::u16string_view text) = 0;
  virtual void Clear() = 0;
};

// The host is borrowed; nullptr goes back to the clipboard of the process alone.
void SetClipboardHost(ClipboardHost* host);
// Empties and closes the clipboard; tests start from here.
void ResetClipboard();

// One open-set-close round, for callers that only want the text.
bool SetClipboardText(HWND owner, std::string_view text);
std::optional<AnsiString> GetClipboardText(HWND owner);

} // namespace platform
