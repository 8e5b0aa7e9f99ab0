#pragma once
// Shared between the seams of the container unit.
#include "lookandfeel/cxContainer.h"

// The border colour of a highlighted Office 2003 border.
TColor cxOffice11SelectedBorderColor();

// The owner of a popup closed by the application's deactivation hears of its focus change.
void cxContainerPopupOwnerFocusChanged(TcxContainer* AContainer);
