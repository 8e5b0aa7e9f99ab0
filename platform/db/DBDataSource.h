#pragma once
// The data source that connects data links to a dataset, and the data link through which a control follows
// the dataset: activation, the buffer window it shows, scrolling, editing and record changes.
#include <vector>

#include "platform/db/DBDataSet.h"

class TDataLink;
using TDataChangeEvent = TEvent<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
  PELVOR_CLASS(TDataSource, TComponent)
public:
  explicit TDataSource(TComponent* AOwner) : TComponent(AOwner) {}
  ~TDataSource() override;

  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* AValue);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool AValue);
  // With AutoEdit, a control's change of a field puts a browsing dataset into edit mode.
  bool AutoEdit = true;
  // The dataset's state as the source last heard it; dsInactive without a dataset or when disabled.
  TDataSetState State() const { return FState; }
  // Puts the dataset into edit mode when AutoEdit allows it and it is browsing.
  void Edit();

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

  int DataLinkCount() const { return int(FDataLinks.size()); }
  TDataLink* DataLinks(int AIndex) const { return FDataLinks.at(std::size_t(AIndex)); }

  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent AEvent, std::intptr_t AInfo);
  void NotifyLinks(TDataEvent AEvent, std::intptr_t AInfo);
  void UpdateState();
  void SetState(TDataSetState AValue);
  void AddDataLink(TDataLink* ALink);
  void RemoveDataLink(TDataLink* ALink);

  TDataSet* FDataSet = nullptr; // borrowed, with a free notification
  bool FEnabled = true;
  TDataSetState FState = dsInactive;
  std::vector<TDataLink*> FDataLinks; // borrowed: a link leaves the list when it lets go
};

// A control's view of a dataset through a data source. The link shows BufferCount records of the dataset's
// window starting at its own first record; ActiveRecord and RecordCount are in the link's terms.
class TDataLink : public TPersistent {
  PELVOR_CLASS(TDataLink, TPersistent)
public:
  TDataLink() = default;
  ~TDataLink() override;

  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* AValue);
  TDataSet* DataSet() const;
  bool Active() const { return FActive; }
  bool Editing() const { return FEditing; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool AValue);
  // A link of a visible control; the dataset does not treat others differently, but owners may ask.
  bool VisualControl = false;

  int BufferCount() const { return FBufferCount; }
  // Makes the dataset keep at least AValue records in its window while this link is active.
  void SetBufferCount(int AValue);
  // The records of the link's part of the window, at most BufferCount.
  int RecordCount() const;
  int ActiveRecord() const;
  void SetActiveRecord(int AValue);
  bool Bof() const;
  bool Eof() const;

  // Puts the dataset into edit mode through the source; answers whether it is editing now.
  bool Edit();
  // Runs UpdateData now when the link has a change waiting; a failure leaves it waiting.
  void UpdateRecord();
  int MoveBy(int ADistance);

protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  // ADistance: how many records the link's first shown record moved.
  virtual void DataSetScrolled(int ADistance) {
    (void)ADistance;
    DataSetChanged();
  }
  virtual void EditingChanged() {}
  // The field asks the control showing it to take the focus; a control that does clears AField.
  virtual void FocusControl(TField*& AField) { (void)AField; }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* AField) { (void)AField; }
  virtual void UpdateData() {}
  virtual void DataEvent(TDataEvent AEvent, std::intptr_t AInfo);

private:
  friend class TDataSource;
  friend class TDataSet;
  void UpdateState();
  void SetActive(bool AValue);
  void SetEditing(bool AValue);
  // Moves the link's first record by AShift buffers and then just far enough to show the active record;
  // answers how far it moved beyond AShift.
  int UpdateRange(int AShift);

  TDataSource* FDataSource = nullptr; // borrowed: the source lists the link
  int FBufferCount = 1;
  int FFirstRecord = 0;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;
};
