#pragma once
// Functions over the platform's datasets and fields for the data binding, and the registry that maps
// dataset classes to adapter classes.
#include <memory>
#include <vector>

#include "platform/classes/StringList.h"
#include "platform/db/DB.h"

bool IsMultipleFieldNames(const AnsiString& ANames);
int GetFieldNamesCount(const AnsiString& ANames);
// Clears AStrings and adds every name of the ";"-separated list in order.
void GetFieldNames(const AnsiString& ANames, TStrings* AStrings);
// Puts a name that is not an identifier between brackets, so that a filter expression can hold it.
void BracketFieldName(AnsiString& AName);
AnsiString GetFilterFieldName(TField* AField, bool AIgnoreOrigin);
bool IsSameFieldName(const AnsiString& AFieldName1, const AnsiString& AFieldName2);
void GetFieldValue(TField* AField, Variant& AValue);
void GetFieldValues(const std::vector<TField*>& AFields, Variant& AValue);
void SetFieldValue(TField* AField, const Variant& AValue);
void SetFieldValues(const std::vector<TField*>& AFields, const Variant& AValue);
bool CanModifyLookupKeyFields(TField* AField);
bool CanModifyFieldValue(TField* AField, bool AIgnoreType);
bool IsFieldFormatted(TField* AField, bool ADefault);
bool IsSimpleCurrencyField(TField* AField);
bool IsCurrencyField(TField* AField);
// The names of a ";"-separated list, trimmed and without the brackets that quote a name; empty ones dropped.
std::vector<AnsiString> SplitFieldNameList(const AnsiString& ANames);

class TcxDBAdapterItem : public TObject {
  PELVOR_CLASS(TcxDBAdapterItem, TObject)
public:
  using TCreateArgs = std::tuple<TClass>;
  explicit TcxDBAdapterItem(TClass ADataSetClass) : FDataSetClass(ADataSetClass) {}
  TClass DataSetClass() const { return FDataSetClass; }

private:
  TClass FDataSetClass;
};

// Adapters by dataset class; an entry for a class stands behind the entries for its ancestors, so that a
// search from the end finds the nearest registered ancestor first.
class TcxDBAdapterList : public TObject {
  PELVOR_CLASS(TcxDBAdapterList, TObject)
public:
  TcxDBAdapterList() = default;
  ~TcxDBAdapterList() override { Clear(); }

  virtual bool FindAdapter(TClass ADataSetClass, int& AIndex);
  // AAdapterClass must descend from TcxDBAdapterItem.
  virtual void RegisterAdapter(TClass ADataSetClass, TClass AAdapterClass);
  virtual void UnregisterAdapter(TClass ADataSetClass, TClass AAdapterClass);
  void Clear() { FItems.clear(); }
  int Count() const { return int(FItems.size()); }
  TcxDBAdapterItem* Items(int AIndex) const { return FItems.at(std::size_t(AIndex)).get(); }

private:
  std::vector<std::unique_ptr<TcxDBAdapterItem, TObjectDeleter>> FItems;
};
