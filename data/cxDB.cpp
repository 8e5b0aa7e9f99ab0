#include "data/cxDB.h"

namespace {

// The names of a ";"-separated list, each trimmed; a trailing separator ends the list.
std::vector<AnsiString> SplitFieldNames(const AnsiString& ANames) {
  std::vector<AnsiString> names;
  std::size_t pos = 0;
  while (pos < ANames.size()) {
    std::size_t end = ANames.find(';', pos);
    if (end == AnsiString::npos)
      end = ANames.size();
    names.push_back(Trim(std::string_view(ANames).substr(pos, end - pos)));
    pos = end + 1;
  }
  return names;
}

bool IsValidIdent(const AnsiString& s) {
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (s.empty() || !alpha(s[0]))
    return false;
  for (char c : s)
    if (!alpha(c) && !(c >= '0' && c <= '9'))
      return false;
  return true;
}

bool IsBlobLike(TFieldType t) {
  switch (t) {
  case ftBlob:
  case ftMemo:
  case ftGraphic:
  case ftFmtMemo:
  case ftParadoxOle:
  case ftDBaseOle:
  case ftTypedBinary:
  case ftCursor:
    return true;
  default:
    return false;
  }
}

} // namespace

bool IsMultipleFieldNames(const AnsiString& ANames) {
  return GetFieldNamesCount(ANames) > 1;
}

int GetFieldNamesCount(const AnsiString& ANames) {
  return int(SplitFieldNames(ANames).size());
}

void GetFieldNames(const AnsiString& ANames, TStrings* AStrings) {
  AStrings->Clear();
  for (const AnsiString& name : SplitFieldNames(ANames))
    AStrings->Add(name);
}

void BracketFieldName(AnsiString& AName) {
  if (!IsValidIdent(AName))
    AName = "[" + AName + "]";
}

AnsiString GetFilterFieldName(TField* AField, bool AIgnoreOrigin) {
  if (!AField)
    return AnsiString();
  AnsiString name = AIgnoreOrigin ? AnsiString() : AField->Origin;
  if (name.empty())
    name = AField->FieldName;
  BracketFieldName(name);
  return name;
}

bool IsSameFieldName(const AnsiString& AFieldName1, const AnsiString& AFieldName2) {
  return AnsiUpperCase(AFieldName1) == AnsiUpperCase(AFieldName2);
}

void GetFieldValue(TField* AField, Variant& AValue) {
  if (AField->FieldKind() == fkAggregate) {
    AValue = AField->Value();
    return;
  }
  Variant value = AField->Value();
  if (VarIsNull(value))
    AValue = Null;
  else if (dynamic_cast<TWideStringField*>(AField))
    AValue = Variant(value.AsWideString());
  else
    AValue = value;
}

void GetFieldValues(const std::vector<TField*>& AFields, Variant& AValue) {
  if (AFields.empty()) {
    AValue = Null;
    return;
  }
  if (AFields.size() == 1) {
    AValue = AFields[0]->Value();
    return;
  }
  std::vector<Variant> values;
  for (TField* field : AFields)
    values.push_back(field->Value());
  AValue = VarArrayOf(values);
}

void SetFieldValue(TField* AField, const Variant& AValue) {
  if (dynamic_cast<TDateTimeField*>(AField) && VarType(AValue) == varDouble)
    AField->SetAsDateTime(AValue.RawDouble());
  else
    AField->SetValue(AValue);
}

void SetFieldValues(const std::vector<TField*>& AFields, const Variant& AValue) {
  if (AFields.size() == 1) {
    AFields[0]->SetValue(AValue);
    return;
  }
  for (std::size_t i = 0; i < AFields.size(); ++i)
    AFields[i]->SetValue(AValue[int(i)]);
}

bool CanModifyLookupKeyFields(TField* AField) {
  TDataSet* dataSet = AField->DataSet();
  if (!dataSet)
    return false;
  std::vector<AnsiString> names = SplitFieldNames(AField->KeyFields);
  if (names.empty())
    return false;
  for (const AnsiString& name : names)
    if (!dataSet->FieldByName(name)->CanModify())
      return false;
  return true;
}

bool CanModifyFieldValue(TField* AField, bool AIgnoreType) {
  if (!AField->CanModify())
    return false;
  if (AIgnoreType)
    return true;
  TFieldType t = AField->DataType();
  if (t == ftBytes || IsBlobLike(t) || t == ftReference || t == ftDataSet || t == ftOraBlob || t == ftOraClob)
    return AField->OnSetText.Assigned();
  return true;
}

bool IsFieldFormatted(TField* AField, bool ADefault) {
  if (AField->OnGetText.Assigned() || !AField->EditMask.empty())
    return true;
  TFieldType t = AField->DataType();
  if (t == ftBytes || IsBlobLike(t) || t == ftADT || t == ftArray || t == ftReference || t == ftDataSet ||
      dynamic_cast<TBooleanField*>(AField))
    return ADefault;
  if (auto* numeric = dynamic_cast<TNumericField*>(AField))
    return !numeric->DisplayFormat.empty() || !numeric->EditFormat.empty() || IsCurrencyField(AField);
  if (auto* dateTime = dynamic_cast<TDateTimeField*>(AField))
    return !dateTime->DisplayFormat.empty();
  if (auto* timeStamp = dynamic_cast<TSQLTimeStampField*>(AField))
    return !timeStamp->DisplayFormat.empty();
  if (auto* aggregate = dynamic_cast<TAggregateField*>(AField))
    return !aggregate->DisplayFormat.empty() || aggregate->Currency;
  return false;
}

bool IsSimpleCurrencyField(TField* AField) {
  auto* numeric = dynamic_cast<TNumericField*>(AField);
  return numeric && IsCurrencyField(AField) && numeric->DisplayFormat.empty() &&
         !AField->OnGetText.Assigned();
}

bool TcxDBAdapterList::FindAdapter(TClass ADataSetClass, int& AIndex) {
  AIndex = -1;
  for (int i = Count() - 1; i >= 0; --i) {
    TClass entry = FItems[std::size_t(i)]->DataSetClass();
    if (ADataSetClass->InheritsFrom(entry)) {
      AIndex = i;
      return true;
    }
    if (entry->InheritsFrom(ADataSetClass))
      AIndex = i;
  }
  return false;
}

void TcxDBAdapterList::RegisterAdapter(TClass ADataSetClass, TClass AAdapterClass) {
  std::unique_ptr<TcxDBAdapterItem, TObjectDeleter> item(
      NewInstance<TcxDBAdapterItem>(AAdapterClass, ADataSetClass));
  int index;
  if (FindAdapter(ADataSetClass, index))
    FItems.insert(FItems.begin() + index + 1, std::move(item));
  else if (index == -1)
    FItems.push_back(std::move(item));
  else
    FItems.insert(FItems.begin() + index, std::move(item));
}

void TcxDBAdapterList::UnregisterAdapter(TClass ADataSetClass, TClass AAdapterClass) {
  for (int i = Count() - 1; i >= 0; --i) {
    TcxDBAdapterItem* item = FItems[std::size_t(i)].get();
    if (item->DataSetClass() == ADataSetClass && item->ClassType() == AAdapterClass)
      FItems.erase(FItems.begin() + i);
  }
}

bool IsCurrencyField(TField* AField) {
  if (auto* f = dynamic_cast<TFloatField*>(AField))
    return f->Currency;
  if (auto* f = dynamic_cast<TBCDField*>(AField))
    return f->Currency;
  if (auto* f = dynamic_cast<TFMTBCDField*>(AField))
    return f->Currency;
  return false;
}

std::vector<AnsiString> SplitFieldNameList(const AnsiString& ANames) {
  std::vector<AnsiString> names;
  std::size_t start = 0;
  while (start <= ANames.size()) {
    std::size_t end = ANames.find(';', start);
    if (end == AnsiString::npos)
      end = ANames.size();
    AnsiString name = ANames.substr(start, end - start);
    std::size_t b = name.find_first_not_of(" []"), e = name.find_last_not_of(" []");
    if (b != AnsiString::npos)
      names.push_back(name.substr(b, e - b + 1));
    start = end + 1;
  }
  return names;
}
