#pragma once
// The tab control: a row of tabs, one of them selected, painted in the classic raised style. A tab is chosen
// by a click or by Ctrl+Tab (Ctrl+Shift+Tab goes back) anywhere on the form.
#include <memory>

#include "platform/classes/StringList.h"
#include "platform/controls/Controls.h"

class TcxTabControl : public TCustomControl {
  PELVOR_CLASS(TcxTabControl, TCustomControl)
  explicit TcxTabControl(TComponent* AOwner);
  ~TcxTabControl() override;

  // The captions, one a tab; changing them repaints and keeps TabIndex inside the list.
  TStrings* Tabs() const { return FTabs.get(); }
  // -1 when there are no tabs. Setting another index, by the program or the user, fires OnChange; a value
  // outside the tabs is refused with EListError.
  int TabIndex() const { return FTabIndex; }
  void SetTabIndex(int Value);
  // Where a tab is drawn, in client coordinates; an empty rectangle for an index outside the tabs.
  TRect TabRect(int Index);
  // The tab under a client point, -1 for none.
  int IndexOfTabAt(int X, int Y);

  TNotifyEvent OnChange;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void CMDialogKey(TCMDialogKey& Message) override;
  virtual void Change();

private:
  void TabsChanged(TObject* Sender);
  int TabWidth(int Index);
  // Shown and enabled, and so is every parent: a strip the user cannot see or use does not switch.
  bool CanBeUsed() const;

  std::unique_ptr<TStringList, TObjectDeleter> FTabs;
  int FTabIndex = -1;
};
