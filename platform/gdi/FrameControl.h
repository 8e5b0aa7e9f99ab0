#pragma once
// Frame controls (buttons, scroll arrows, caption buttons) in the classic look, and the system bitmaps
// drawn from them.
#include "platform/gdi/GdiDefs.h"

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state);

// System bitmaps for a null instance: OBM_CHECKBOXES is a 4 x 3 grid of 13 x 13 cells, rows check box,
// radio button and three-state box, columns normal, checked, pushed, pushed and checked. Each call makes
// a new bitmap that the caller deletes. Named application resources are not served here.
HBITMAP LoadBitmap(HINSTANCE instance, int id);
HBITMAP LoadBitmap(HINSTANCE instance, const char* name);
