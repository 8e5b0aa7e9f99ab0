#pragma once
// Shared between the seams of the editors' paint utilities.

void cxEditUtilsBrushesInitialize();
void cxEditUtilsBrushesFinalize();
