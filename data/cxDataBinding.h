#pragma once
// The persistent object through which a data-aware control talks to its data source; descendants bind it to a
// concrete source, this base answers as an unbound control would.
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/rtl/Variants.h"

class TcxCustomDataBinding : public TPersistent {
  PELVOR_CLASS(TcxCustomDataBinding, TPersistent)
public:
  using TCreateArgs = std::tuple<TComponent*, TComponent*>;
  TcxCustomDataBinding(TComponent* AOwner, TComponent* ADataComponent)
      : FDataComponent(ADataComponent), FOwner(AOwner) {}

  virtual void DataChanged();
  virtual void DataSetChanged();
  virtual bool GetModified() { return false; }
  virtual bool GetReadOnly() { return false; }
  virtual void SetReadOnly(bool AValue) { (void)AValue; }
  virtual void UpdateData();
  virtual void UpdateDisplayValue() {}
  virtual bool CanModify() { return true; }
  virtual bool ExecuteAction(TObject* Action) {
    (void)Action;
    return false;
  }
  virtual Variant GetStoredValue() { return Null; }
  virtual bool IsDataAvailable() { return true; }
  virtual bool IsLinked() { return false; }
  virtual void Reset() {}
  virtual bool SetEditMode() { return true; }
  virtual void SetStoredValue(const Variant& AValue) { (void)AValue; }
  virtual bool UpdateAction(TObject* Action) {
    (void)Action;
    return false;
  }
  virtual void UpdateRecord() {}

  TPersistent* GetOwner() override { return FOwner; }
  TComponent* DataComponent() const { return FDataComponent; }
  TComponent* Owner() const { return FOwner; }

  TNotifyEvent OnDataChange;
  TNotifyEvent OnDataSetChange;
  TNotifyEvent OnUpdateData;

private:
  TComponent* FDataComponent; // borrowed
  TComponent* FOwner;         // borrowed: the control that owns this binding
};
