#include "app/ProgramUnits.h"

#include "data/cxDBFilter.h"
#include "data/cxDataStorage.h"
#include "lookandfeel/cxClasses.h"
#include "lookandfeel/cxContainer.h"
#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"

std::vector<TUnitInfo> ProgramUnits() {
  return {cxClassesUnit,      dxUxThemeUnit,
          dxThemeManagerUnit, dxOffice11Unit,
          cxControlsUnit,     cxLookAndFeelPaintersUnit,
          cxLookAndFeelsUnit, {"cxDataStorage", cxDataStorageInitialize, cxDataStorageFinalize},
          cxContainerUnit,    {"cxDBFilter", cxDBFilterInitialize, cxDBFilterFinalize}};
}
