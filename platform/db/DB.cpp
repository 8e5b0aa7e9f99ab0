#include "platform/db/DB.h"

#include <algorithm>

TField::~TField() {
  SetDataSet(nullptr);
}

void TField::SetDataSet(TDataSet* ADataSet) {
  if (FDataSet == ADataSet)
    return;
  if (FDataSet) {
    std::erase(FDataSet->FFields, this);
    FDataSet->FCurrentRecord.erase(this);
  }
  FDataSet = ADataSet;
  if (FDataSet)
    FDataSet->FFields.push_back(this);
}

bool TField::CanModify() {
  if (ReadOnly || !FDataSet || !FDataSet->CanModify())
    return false;
  return FFieldKind == fkData || FFieldKind == fkLookup;
}

Variant TField::GetAsVariant() {
  return FDataSet ? FDataSet->GetFieldData(this) : Null;
}

void TField::SetAsVariant(const Variant& AValue) {
  if (!FDataSet)
    throw EDatabaseError("Field '" + FieldName + "' has no dataset");
  FDataSet->SetFieldData(this, AValue);
}

TDataSet::~TDataSet() {
  while (!FFields.empty())
    FFields.back()->SetDataSet(nullptr);
}

TField* TDataSet::FindField(const AnsiString& AFieldName) const {
  for (TField* field : FFields)
    if (AnsiSameText(field->FieldName, AFieldName))
      return field;
  return nullptr;
}

TField* TDataSet::FieldByName(const AnsiString& AFieldName) const {
  TField* field = FindField(AFieldName);
  if (!field)
    throw EDatabaseError("Field '" + AFieldName + "' not found");
  return field;
}

Variant TDataSet::GetFieldData(TField* AField) {
  auto it = FCurrentRecord.find(AField);
  return it == FCurrentRecord.end() ? Null : it->second;
}

void TDataSet::SetFieldData(TField* AField, const Variant& AValue) {
  FCurrentRecord[AField] = AValue;
}
