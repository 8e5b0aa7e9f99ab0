#pragma once
// Shared between the seams of the control unit.
#include "platform/controls/Controls.h"

namespace cxInternal {

// The platform drag object while a drag is over a library control, nullptr otherwise.
TDragObject* DragOverLibraryControl();
void SetDragOverLibraryControl(TDragObject* AObject);
// Unregisters from the settings controller without making one when none exists any more.
void RemoveSettingsListener(TWinControl* AControl);
// Ends every mouse-leave tracking that names the control, without calling anybody.
void DropMouseTrackingOf(TWinControl* AControl);

} // namespace cxInternal
