#pragma once
// Shared between the seams of the editor base.
#include "editors/core/cxEdit.h"

// The live properties objects; each joins in its constructor and leaves in its destructor.
void cxEditAddProperties(TcxCustomEditProperties* AProperties);
void cxEditRemoveProperties(TcxCustomEditProperties* AProperties);
// Whether the object's owner is a component that is being destroyed.
bool cxIsOwnerDestroying(TPersistent* AOwner);
void cxEditRepositoryFinalize();
