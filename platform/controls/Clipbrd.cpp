#include "platform/controls/Clipbrd.h"

#include "platform/rtl/SysUtils.h"

void TClipboard::Open() {
  if (FOpenRefCount == 0 && !OpenClipboard(nullptr))
    throw Exception("Cannot open clipboard");
  ++FOpenRefCount;
}

void TClipboard::Close() {
  if (FOpenRefCount == 0)
    return;
  if (--FOpenRefCount == 0)
    CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  Close();
}

bool TClipboard::HasFormat(UINT Format) const {
  return IsClipboardFormatAvailable(Format) != FALSE;
}

AnsiString TClipboard::AsText() {
  Open();
  AnsiString text;
  if (!GetClipboardData(CF_TEXT, &text))
    text.clear();
  Close();
  return text;
}

void TClipboard::SetAsText(const AnsiString& Value) {
  Open();
  EmptyClipboard();
  SetClipboardData(CF_TEXT, std::string_view(Value));
  Close();
}

TClipboard* Clipboard() {
  static TClipboard clipboard;
  return &clipboard;
}
