#pragma once
// The message box of the library, made of a form: the text and one OK button, shown modally. The program
// installs it as the application's message box where there is a display to show it on.
#include "platform/rtl/SysUtils.h"

// Answers mrOk once the box is closed; other button sets than OK raise EInvalidArgument.
int ModalMessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags);
