#include "editors/core/cxEditUtils.h"

#include "editors/core/cxEditUtils_Internal_p.h"
#include "lookandfeel/dxUxTheme.h"

bool IsThemedTextHotColorAvailable = false;

void cxEditUtilsInitialize() {
  cxEditUtilsBrushesInitialize();
  // The platform is of the NT family; its hot-light text colour is themed only in the 5.x versions.
  DWORD major = 0, minor = 0;
  dxGetSystemVersion(major, minor);
  IsThemedTextHotColorAvailable = major == 5;
}

void cxEditUtilsFinalize() {
  cxEditUtilsBrushesFinalize();
}

const TUnitInfo cxEditUtilsUnit{"cxEditUtils", &cxEditUtilsInitialize, &cxEditUtilsFinalize};
