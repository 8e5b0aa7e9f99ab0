#include "app/ProgramUnits.h"

#include "data/cxDBFilter.h"
#include "data/cxDataStorage.h"
#include "editors/core/cxDateUtils.h"
#include "editors/core/cxEditUtils.h"
#include "editors/core/cxFormats.h"
#include "lookandfeel/cxClasses.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"

std::vector<TUnitInfo> ProgramUnits() {
  return {cxClassesUnit,
          dxUxThemeUnit,
          dxThemeManagerUnit,
          dxOffice11Unit,
          cxLookAndFeelPaintersUnit,
          cxLookAndFeelsUnit,
          cxEditUtilsUnit,
          {"cxDataStorage", cxDataStorageInitialize, cxDataStorageFinalize},
          {"cxDBFilter", cxDBFilterInitialize, cxDBFilterFinalize},
          cxFormatsUnit,
          cxDateUtilsUnit};
}
