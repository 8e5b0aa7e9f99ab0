#pragma once
// Shared by the dataset tests: a log of dataset and data-link events in the order they happen, and small
// datasets to run them over.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "platform/db/DB.h"
#include "platform/db/MemDataSet.h"
#include "platform/db/SQLiteQuery.h"

namespace dbtest {

struct EventLog {
  std::vector<std::string> Entries;
  void Add(std::string AText) { Entries.push_back(std::move(AText)); }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(Entries);
    return out;
  }
};

// A link that writes each notification into the log, with the link's own numbers where they matter.
class RecordingLink : public TDataLink {
public:
  explicit RecordingLink(EventLog& ALog, const char* APrefix = "") : FLog(ALog), FPrefix(APrefix) {}
  int UpdateDataCalls = 0;

protected:
  void ActiveChanged() override { FLog.Add(FPrefix + "ActiveChanged(" + std::to_string(Active()) + ")"); }
  void DataSetChanged() override { FLog.Add(FPrefix + "DataSetChanged"); }
  void DataSetScrolled(int ADistance) override {
    FLog.Add(FPrefix + "DataSetScrolled(" + std::to_string(ADistance) + ")");
  }
  void EditingChanged() override { FLog.Add(FPrefix + "EditingChanged(" + std::to_string(Editing()) + ")"); }
  void LayoutChanged() override { FLog.Add(FPrefix + "LayoutChanged"); }
  void RecordChanged(TField* AField) override {
    FLog.Add(FPrefix + "RecordChanged(" + (AField ? AField->FieldName : AnsiString("nil")) + ")");
  }
  void UpdateData() override {
    ++UpdateDataCalls;
    FLog.Add(FPrefix + "UpdateData");
  }
  void FocusControl(TField*& AField) override {
    FLog.Add(FPrefix + "FocusControl(" + AField->FieldName + ")");
    AField = nullptr;
  }
  void DataEvent(TDataEvent AEvent, std::intptr_t AInfo) override {
    if (AEvent == deDisabledStateChange)
      FLog.Add(FPrefix + "DisabledStateChange(" + std::to_string(AInfo) + ")");
    TDataLink::DataEvent(AEvent, AInfo);
  }

private:
  EventLog& FLog;
  std::string FPrefix;
};

// Writes the dataset's Before/After events into the log.
class DataSetEvents : public TObject {
public:
  DataSetEvents(TDataSet& ADataSet, EventLog& ALog) : FLog(ALog) {
    ADataSet.BeforeOpen = TDataSetNotifyEvent(this, &DataSetEvents::BeforeOpen);
    ADataSet.AfterOpen = TDataSetNotifyEvent(this, &DataSetEvents::AfterOpen);
    ADataSet.BeforeClose = TDataSetNotifyEvent(this, &DataSetEvents::BeforeClose);
    ADataSet.AfterClose = TDataSetNotifyEvent(this, &DataSetEvents::AfterClose);
    ADataSet.BeforeInsert = TDataSetNotifyEvent(this, &DataSetEvents::BeforeInsert);
    ADataSet.AfterInsert = TDataSetNotifyEvent(this, &DataSetEvents::AfterInsert);
    ADataSet.BeforeEdit = TDataSetNotifyEvent(this, &DataSetEvents::BeforeEdit);
    ADataSet.AfterEdit = TDataSetNotifyEvent(this, &DataSetEvents::AfterEdit);
    ADataSet.BeforePost = TDataSetNotifyEvent(this, &DataSetEvents::BeforePost);
    ADataSet.AfterPost = TDataSetNotifyEvent(this, &DataSetEvents::AfterPost);
    ADataSet.BeforeCancel = TDataSetNotifyEvent(this, &DataSetEvents::BeforeCancel);
    ADataSet.AfterCancel = TDataSetNotifyEvent(this, &DataSetEvents::AfterCancel);
    ADataSet.BeforeDelete = TDataSetNotifyEvent(this, &DataSetEvents::BeforeDelete);
    ADataSet.AfterDelete = TDataSetNotifyEvent(this, &DataSetEvents::AfterDelete);
    ADataSet.BeforeScroll = TDataSetNotifyEvent(this, &DataSetEvents::BeforeScroll);
    ADataSet.AfterScroll = TDataSetNotifyEvent(this, &DataSetEvents::AfterScroll);
    ADataSet.OnNewRecord = TDataSetNotifyEvent(this, &DataSetEvents::OnNewRecord);
  }
  void BeforeOpen(TDataSet*) { FLog.Add("BeforeOpen"); }
  void AfterOpen(TDataSet*) { FLog.Add("AfterOpen"); }
  void BeforeClose(TDataSet*) { FLog.Add("BeforeClose"); }
  void AfterClose(TDataSet*) { FLog.Add("AfterClose"); }
  void BeforeInsert(TDataSet*) { FLog.Add("BeforeInsert"); }
  void AfterInsert(TDataSet*) { FLog.Add("AfterInsert"); }
  void BeforeEdit(TDataSet*) { FLog.Add("BeforeEdit"); }
  void AfterEdit(TDataSet*) { FLog.Add("AfterEdit"); }
  void BeforePost(TDataSet*) { FLog.Add("BeforePost"); }
  void AfterPost(TDataSet*) { FLog.Add("AfterPost"); }
  void BeforeCancel(TDataSet*) { FLog.Add("BeforeCancel"); }
  void AfterCancel(TDataSet*) { FLog.Add("AfterCancel"); }
  void BeforeDelete(TDataSet*) { FLog.Add("BeforeDelete"); }
  void AfterDelete(TDataSet*) { FLog.Add("AfterDelete"); }
  void BeforeScroll(TDataSet*) { FLog.Add("BeforeScroll"); }
  void AfterScroll(TDataSet*) { FLog.Add("AfterScroll"); }
  void OnNewRecord(TDataSet*) { FLog.Add("OnNewRecord"); }

private:
  EventLog& FLog;
};

// The first value ASQL reads through AConnection, past any query's kept rows; "<none>" without a row.
inline std::string Scalar(TSQLiteConnection& AConnection, const std::string& ASQL) {
  TSQLiteQuery probe(nullptr);
  probe.SetConnection(&AConnection);
  probe.SetSQL(ASQL);
  probe.Open();
  return probe.IsEmpty() ? "<none>" : VarToStr(probe.Fields(0)->Value());
}

// The first value ASQL reads straight from SQLite on AConnection, past the query and its guard; the error
// message when it fails.
inline std::string RawScalar(TSQLiteConnection& AConnection, const std::string& ASQL) {
  sqlite3_stmt* stmt = nullptr;
  std::string value = "<none>";
  if (sqlite3_prepare_v2(AConnection.Handle(), ASQL.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
    return sqlite3_errmsg(AConnection.Handle());
  int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW)
    value =
        sqlite3_column_text(stmt, 0) ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)) : "NULL";
  else if (rc != SQLITE_DONE)
    value = sqlite3_errmsg(AConnection.Handle());
  sqlite3_finalize(stmt);
  return value;
}

// Whether AWork raises an EDatabaseError whose message holds APart; when not, what it raised or that it
// raised nothing.
template <class F> testing::AssertionResult RaisesDatabaseError(F AWork, const std::string& APart) {
  try {
    AWork();
  } catch (const EDatabaseError& e) {
    if (std::string(e.what()).find(APart) != std::string::npos)
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the error says: " << e.what();
  }
  return ::testing::AssertionFailure() << "no error";
}

// Whether both writes of the current record, an edit of AField and a delete, raise an EDatabaseError whose
// message holds APart; the edit is cancelled.
inline testing::AssertionResult RefusesWrites(TDataSet& ADataSet, const char* AField,
                                              const std::string& APart) {
  testing::AssertionResult edit = RaisesDatabaseError(
      [&] {
        ADataSet.Edit();
        ADataSet.FieldByName(AField)->SetAsString("refused");
        ADataSet.Post();
      },
      APart);
  if (ADataSet.State() != dsBrowse)
    ADataSet.Cancel();
  if (!edit)
    return edit << " (edit)";
  testing::AssertionResult deleted = RaisesDatabaseError([&] { ADataSet.Delete(); }, APart);
  if (!deleted)
    return deleted << " (delete)";
  return testing::AssertionSuccess();
}

// Rows ID = 1..ACount, Name = "n<ID>".
inline void FillNumbered(TMemDataSet& ADataSet, int ACount) {
  ADataSet.AddFieldDef("ID", ftInteger, 0, true);
  ADataSet.AddFieldDef("Name", ftString, 20);
  for (int i = 1; i <= ACount; ++i)
    ADataSet.AddRow({i, AnsiString("n" + std::to_string(i))});
}

// The IDs of every record from the first, walking with Next.
inline std::vector<int> WalkIds(TDataSet& ADataSet) {
  std::vector<int> ids;
  ADataSet.First();
  while (!ADataSet.Eof()) {
    ids.push_back(ADataSet.FieldByName("ID")->AsInteger());
    ADataSet.Next();
  }
  return ids;
}

} // namespace dbtest
