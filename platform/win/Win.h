#pragma once
// The window manager in one include.
#include "platform/win/Caret.h"
#include "platform/win/Clock.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/WinDefs.h"
#include "platform/win/Window.h"

namespace platform {
void ResetWindowManager();
} // namespace platform
