#pragma once
// One open theme handle per kind of themed object, whether visual styles can be used at all, and the news
// that the theme changed.
#include "platform/classes/Events.h"
#include "platform/classes/Object.h"
#include "platform/classes/Sets.h"
#include "platform/classes/UnitList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/theme/UxTheme.h"

enum TdxThemedObjectType {
  totButton,
  totClock,
  totComboBox,
  totEdit,
  totExplorerBar,
  totHeader,
  totListView,
  totMenu,
  totPage,
  totProgress,
  totRebar,
  totScrollBar,
  totSpin,
  totStartPanel,
  totStatus,
  totTab,
  totTaskBand,
  totTaskBar,
  totToolBar,
  totToolTip,
  totTrackBar,
  totTrayNotify,
  totTreeView,
  totWindow
};
constexpr int dxThemedObjectTypeCount = totWindow + 1;
using TdxThemedObjectTypes = TSet<TdxThemedObjectType, dxThemedObjectTypeCount>;

// The theme class each kind is opened with.
const WideString& dxThemedObjectClassName(TdxThemedObjectType AType);

// Answers 0 unless visual styles are available. Without a class list the cached handle (or the class used
// last, or the kind's own class) is opened; a different class list replaces the cached handle.
HTHEME OpenTheme(TdxThemedObjectType AType, const WideString& AClassList = {});
void CloseTheme(TdxThemedObjectType AType);
// Closes every handle but remembers the classes, so that the next OpenTheme reopens the same class.
void CloseAllThemes();
bool IsThemeAvailable(TdxThemedObjectType AType);
bool AreVisualStylesAvailable(TdxThemedObjectTypes ATypes = {});
bool AreVisualStylesAvailable(TdxThemedObjectType AType);

// Tells its owner when the theme changes. Instances register themselves only when the library is loaded.
class TdxThemeChangedNotificator : public TObject {
  PELVOR_CLASS(TdxThemeChangedNotificator, TObject)

  TdxThemeChangedNotificator();
  ~TdxThemeChangedNotificator() override;

  TNotifyEvent OnThemeChanged;
};

// What the hidden receiver window does with a message: on a theme change it closes every handle, reads the
// active flag again and tells every notificator, in order of registration; other messages are left to the
// default procedure.
LRESULT dxThemeChangedReceiverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

void dxThemeManagerInitialize();
void dxThemeManagerFinalize();
// The cached handle of a kind (0 when not open) and the class it was opened with, for inspection.
HTHEME dxCachedThemeHandle(TdxThemedObjectType AType);
const WideString& dxCachedThemeClassName(TdxThemedObjectType AType);

extern const TUnitInfo dxThemeManagerUnit;
