#pragma once
// Driving the main window from the command line as a user would: clicks and keys go in through the window
// layer's input, one step at a time, and the window's state comes out as JSON.
#include <string>
#include <string_view>
#include <vector>

#include "app/MainUnit.h"

struct TSessionStep {
  enum Kind { ClickTab, Type, ClickLeft, ClickRight };
  Kind kind = Type;
  int index = 0;    // the tab or the list item
  std::string text; // UTF-8, for Type
};

struct TSessionOptions {
  bool headless = false;
  bool exitAfter = false;
  bool dump = false;
  bool help = false;
  std::string snapshot;
  std::vector<TSessionStep> steps;
};

// Raises EInvalidArgument, with a message fit for the user (UTF-8, as the command line gave it), for an
// unknown option, a missing value, a value that is not a number where a number belongs, or text to type
// that is not UTF-8 or holds a character the code page cannot.
TSessionOptions ParseSessionOptions(const std::vector<std::string>& Args);
const char* SessionUsage();

// Applies the steps in order and lets the window handle each before the next. A step that cannot be made
// (a tab or an item that is not there) is skipped and described in Errors.
void ApplySessionSteps(TMain& Main, const std::vector<TSessionStep>& Steps, std::vector<std::string>& Errors);

// Types the UTF-8 text key by key into whatever has the focus; a character the code page lacks is typed as
// the code page's default character, as a keyboard of that code page would give it.
void TypeText(const std::string& Utf8);
// A click of the left button at a client point of the control.
void ClickAt(TControl* Control, TPoint ClientPoint);
// A click on a list's item, scrolled into view first as a user would.
bool ClickItem(TcxListBox* Box, int Index);
// A click on a tab.
bool ClickTab(TcxTabControl* Tabs, int Index);

// The window's state as JSON text, as --dump prints it, with a new line at its end. Raises std::bad_alloc
// where memory is too short for the text; nothing much larger than the text is built on the way.
std::string StateText(TMain& Main);
// Writes the window's pixels, frame included, as PNG into a file beside Path that then takes its place, so
// that a reader finds the old file or the whole new one. When it cannot, Path is left as it was and Error
// says why.
bool SaveSnapshot(TMain& Main, const std::string& Path, std::string& Error);
// Writes all of Text to the descriptor, through interruptions and short writes; when it cannot, Error holds
// the system's reason.
bool WriteFully(int Fd, std::string_view Text, std::string& Error);
