#include "platform/win/Clipboard.h"

#include "platform/win/WindowManager.h"

namespace {

struct ClipboardState {
  std::optional<WideString> text;
  bool open = false;
  bool changed = false;
  HWND openedBy = nullptr;
  HWND owner = nullptr;
  platform::ClipboardHost* host = nullptr;
};

ClipboardState& C() {
  static ClipboardState state;
  return state;
}

bool ValidOwner(HWND hwnd) {
  return !hwnd || platform::detail::W(hwnd);
}

} // namespace

BOOL OpenClipboard(HWND owner) {
  auto& c = C();
  if (c.open || !ValidOwner(owner))
    return FALSE;
  c.open = true;
  c.changed = false;
  c.openedBy = owner;
  if (c.host)
    c.text = c.host->ReadText();
  return TRUE;
}

BOOL CloseClipboard() {
  auto& c = C();
  if (!c.open)
    return FALSE;
  if (c.host && c.changed) {
    if (c.text)
      c.host->WriteText(*c.text);
    else
      c.host->Clear();
  }
  c.open = false;
  c.changed = false;
  c.openedBy = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  auto& c = C();
  if (!c.open)
    return FALSE;
  c.text.reset();
  c.owner = c.openedBy;
  c.changed = true;
  return TRUE;
}

HWND GetClipboardOwner() {
  auto& c = C();
  if (!platform::detail::W(c.owner))
    c.owner = nullptr;
  return c.owner;
}

HWND GetOpenClipboardWindow() {
  auto& c = C();
  return c.open ? c.openedBy : nullptr;
}

BOOL SetClipboardData(UINT format, std::string_view text) {
  auto& c = C();
  if (!c.open || format != CF_TEXT)
    return FALSE;
  c.text = AnsiToWide(text);
  c.changed = true;
  return TRUE;
}

BOOL SetClipboardData(UINT format, std::u16string_view text) {
  auto& c = C();
  if (!c.open || format != CF_UNICODETEXT)
    return FALSE;
  c.text = WideString(text);
  c.changed = true;
  return TRUE;
}

BOOL GetClipboardData(UINT format, AnsiString* text) {
  auto& c = C();
  if (!c.open || format != CF_TEXT || !c.text || !text)
    return FALSE;
  *text = WideToAnsi(*c.text);
  return TRUE;
}

BOOL GetClipboardData(UINT format, WideString* text) {
  auto& c = C();
  if (!c.open || format != CF_UNICODETEXT || !c.text || !text)
    return FALSE;
  *text = *c.text;
  return TRUE;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  auto& c = C();
  if (format != CF_TEXT && format != CF_UNICODETEXT)
    return FALSE;
  if (c.host && !c.open)
    return c.host->ReadText().has_value();
  return c.text.has_value();
}

namespace platform {

void SetClipboardHost(ClipboardHost* host) {
  C().host = host;
}

void ResetClipboard() {
  ClipboardHost* host = C().host;
  C() = ClipboardState();
  C().host = host;
}

bool SetClipboardText(HWND owner, std::string_view text) {
  if (!OpenClipboard(owner))
    return false;
  EmptyClipboard();
  bool ok = SetClipboardData(CF_TEXT, text);
  CloseClipboard();
  return ok;
}

std::optional<AnsiString> GetClipboardText(HWND owner) {
  if (!OpenClipboard(owner))
    return std::nullopt;
  AnsiString text;
  bool ok = GetClipboardData(CF_TEXT, &text);
  CloseClipboard();
  if (!ok)
    return std::nullopt;
  return text;
}

} // namespace platform
