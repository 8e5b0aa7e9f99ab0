#include "app/ProgramUnits.h"

#include "data/cxCustomData.h"
#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "data/cxDataStorage.h"
#include "data/cxFilter.h"
#include "editors/core/cxCheckBox.h"
#include "editors/core/cxDateUtils.h"
#include "editors/core/cxEdit.h"
#include "editors/core/cxEditUtils.h"
#include "editors/core/cxFormats.h"
#include "editors/core/cxListBox.h"
#include "editors/core/cxMemo.h"
#include "editors/core/cxTextEdit.h"
#include "lookandfeel/cxClasses.h"
#include "lookandfeel/cxContainer.h"
#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/controls/Menus.h"
#include "platform/db/SQLiteQuery.h"

std::vector<TUnitInfo> ProgramUnits() {
  // The platform's units come before the library's.
  return {
      MenusUnit,
      SQLiteQueryUnit,
      cxClassesUnit,
      dxUxThemeUnit,
      dxThemeManagerUnit,
      dxOffice11Unit,
      cxControlsUnit,
      cxLookAndFeelPaintersUnit,
      cxLookAndFeelsUnit,
      cxEditUtilsUnit,
      {"cxDataStorage", cxDataStorageInitialize, cxDataStorageFinalize},
      cxContainerUnit,
      cxFilterUnit,
      cxCustomDataUnit,
      {"cxDBFilter", cxDBFilterInitialize, cxDBFilterFinalize},
      cxDBDataUnit,
      cxFormatsUnit,
      cxDateUtilsUnit,
      cxEditUnit,
      cxTextEditUnit,
      cxCheckBoxUnit,
      cxMemoUnit,
      cxListBoxUnit,
  };
}
