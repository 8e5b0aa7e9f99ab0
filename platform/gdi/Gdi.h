#pragma once
// The graphics layer in one include.
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/GdiDefs.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/HandleTable.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Surface.h"
#include "platform/gdi/Text.h"
