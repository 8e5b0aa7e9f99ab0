#pragma once
// The library's clipboard object over the platform's text clipboard.
#include "platform/classes/Persistent.h"
#include "platform/win/Clipboard.h"

class TClipboard : public TPersistent {
  PELVOR_CLASS(TClipboard, TPersistent)
  TClipboard() = default;

  // Nested opens are counted; the platform clipboard is opened by the first and closed by the last.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(UINT Format) const;
  // Empty when the clipboard holds no text.
  AnsiString AsText();
  void SetAsText(const AnsiString& Value);

private:
  int FOpenRefCount = 0;
};

// The one clipboard object of the program, made on first use.
TClipboard* Clipboard();
