#include <algorithm>

#include "data/cxCustomData_Internal.h"
#include "data/cxDBData.h"

namespace {

const char* const cxSDBParentFieldAssigned = "ADataField.FParentField <> nil";

// A lookup's key field may itself be a lookup with several keys; a chain of them deeper than this is a
// dataset whose lookups refer to each other, and gets no further sub-fields.
constexpr int kMaxSubFieldDepth = 4;

// Between the texts of a composite field's parts.
const char* const kPartTextSeparator = ", ";

// The parts of a ";"-separated name list, trimmed and without the brackets that quote a name.
std::vector<AnsiString> SplitParts(const AnsiString& ANames) {
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

bool IsCurrencyField(TField* AField) {
  if (auto* f = dynamic_cast<TFloatField*>(AField))
    return f->Currency;
  if (auto* f = dynamic_cast<TBCDField*>(AField))
    return f->Currency;
  if (auto* f = dynamic_cast<TFMTBCDField*>(AField))
    return f->Currency;
  return false;
}

} // namespace

TcxDBDataField::~TcxDBDataField() {
  // Either of a parent and its sub-field may go first when the field list is freed.
  for (TcxDBDataField* sub : FSubFields)
    sub->FParentField = nullptr;
  if (FParentField)
    std::erase(FParentField->FSubFields, this);
}

void TcxDBDataField::AddSubField(TcxDBDataField* ASubField) {
  if (std::find(FSubFields.begin(), FSubFields.end(), ASubField) != FSubFields.end())
    return;
  if (ASubField->FParentField)
    throw EcxInvalidDataControllerOperation(cxSDBParentFieldAssigned);
  ASubField->FParentField = this;
  ASubField->FIsSubField = true;
  FSubFields.push_back(ASubField);
}

bool TcxDBDataField::CanModify(TcxDataEditValueSource AEditValueSource) {
  auto* dc = static_cast<TcxDBDataController*>(DataController());
  TDataSet* ds = dc->DataSet();
  // A field bound to the dataset by name lives only in the storage while the dataset cannot take its
  // values: an edit there would show as made and never reach the data.
  bool named = !FieldName.empty() || !FSubFields.empty();
  if (!ds || !ds->Active() || !ds->CanModify())
    return !named && TcxCustomDataField::CanModify(AEditValueSource);
  TField* field = dc->GetFieldOf(this);
  if (!field)
    return false;
  if (field->Lookup() && AEditValueSource == evsKey) {
    if (FSubFields.empty())
      return CanModifyLookupKeyFields(field);
    return std::all_of(FSubFields.begin(), FSubFields.end(),
                       [](TcxDBDataField* sub) { return sub->CanModify(evsKey); });
  }
  return CanModifyFieldValue(field, AEditValueSource != evsText);
}

void TcxDBDataController::RemoveSubFields(TcxDBDataField* AField) {
  std::vector<TcxDBDataField*> subs;
  subs.swap(AField->FSubFields);
  for (TcxDBDataField* sub : subs) {
    sub->FParentField = nullptr;
    RemoveSubFields(sub);
    FBindings.erase(sub);
    RemoveField(sub);
  }
}

void TcxDBDataController::SetSubFields(TcxDBDataField* AField, const std::vector<AnsiString>& ANames) {
  bool same = AField->FSubFields.size() == ANames.size();
  for (std::size_t i = 0; same && i < ANames.size(); ++i)
    same = SameText(AField->FSubFields[i]->FieldName, ANames[i]);
  if (same)
    return;
  RemoveSubFields(AField);
  for (const AnsiString& name : ANames) {
    auto* sub = static_cast<TcxDBDataField*>(AddInternalField());
    sub->FieldName = name;
    AField->AddSubField(sub);
  }
}

void TcxDBDataController::RemoveOrphanSubFields() {
  std::vector<TcxDBDataField*> orphans;
  for (int i = 0; i < Fields().Count(); ++i) {
    auto* field = static_cast<TcxDBDataField*>(Fields().Items(i));
    if (field->FIsSubField && !field->FParentField)
      orphans.push_back(field);
  }
  for (TcxDBDataField* field : orphans) {
    RemoveSubFields(field);
    FBindings.erase(field);
    RemoveField(field);
  }
}

void TcxDBDataController::BindDataField(TcxDBDataField* AField, const AnsiString& AName, int ADepth) {
  int item = AField->IsInternal() ? -1 : GetItemIndexOfField(AField);
  AnsiString previous = AField->FieldName;
  AField->FieldName = AName;
  if (AName.find(';') != AnsiString::npos) {
    // The parts hold the values; the field keeps their array and the text they show together.
    FBindings.erase(AField);
    SetSubFields(AField, SplitParts(AName));
    for (TcxDBDataField* sub : AField->FSubFields)
      BindDataField(sub, sub->FieldName, ADepth + 1);
    if (item >= 0) {
      TcxCustomDataController::SetItemValueTypeClass(item, TcxVariantValueType::Instance());
      ChangeItemTextStored(item, true);
    } else {
      AField->SetValueTypeClass(TcxVariantValueType::Instance());
    }
    return;
  }
  BindField(AField, AName);
  TField* field = GetFieldOf(AField);
  if (field && field->Lookup() && IsMultipleFieldNames(field->KeyFields) && ADepth < kMaxSubFieldDepth) {
    SetSubFields(AField, SplitParts(field->KeyFields));
    for (TcxDBDataField* sub : AField->FSubFields)
      BindDataField(sub, sub->FieldName, ADepth + 1);
  } else if (field || !SameText(previous, AName)) {
    // A closed dataset keeps a lookup's sub-fields for when it opens again.
    RemoveSubFields(AField);
  }
  if (field && item >= 0)
    ChangeItemTextStored(item, IsFieldFormatted(field, true));
}

Variant TcxDBDataController::GetRecordFieldValue(int ARecordIndex, TcxCustomDataField* AField) {
  auto* field = static_cast<TcxDBDataField*>(AField);
  if (!field || field->FSubFields.empty())
    return TcxCustomDataController::GetRecordFieldValue(ARecordIndex, AField);
  if (field->FSubFields.size() == 1)
    return GetRecordFieldValue(ARecordIndex, field->FSubFields[0]);
  std::vector<Variant> values;
  for (TcxDBDataField* sub : field->FSubFields)
    values.push_back(GetRecordFieldValue(ARecordIndex, sub));
  return VarArrayOf(values);
}

Variant TcxDBDataController::GetValueForFilter(int ARecordIndex, TcxCustomDataField* AField) {
  return GetRecordFieldValue(ARecordIndex, AField);
}

bool TcxDBDataController::IsItemDisplayFormatDefined(int AItemIndex, bool ACheckCurrency) {
  if (!TcxCustomDataController::IsItemDisplayFormatDefined(AItemIndex, ACheckCurrency))
    return false;
  TField* field = GetItemField(AItemIndex);
  if (!ACheckCurrency || !field || !IsCurrencyField(field))
    return true;
  auto* numeric = static_cast<TNumericField*>(field);
  return !numeric->DisplayFormat.empty() || !numeric->EditFormat.empty();
}

AnsiString TcxDBDataController::GetDataSetDisplayText(TcxCustomDataField* AField) {
  if (TField* field = GetFieldOf(AField))
    return field->DisplayText();
  auto* dbField = static_cast<TcxDBDataField*>(AField);
  if (!dbField || dbField->FSubFields.empty())
    return AnsiString();
  AnsiString text;
  for (std::size_t i = 0; i < dbField->FSubFields.size(); ++i) {
    if (i > 0)
      text += kPartTextSeparator;
    text += GetDataSetDisplayText(dbField->FSubFields[i]);
  }
  return text;
}

AnsiString TcxDBDataController::GetItemFilterFieldName(int AItemIndex) {
  auto* field = static_cast<TcxDBDataField*>(TcxCustomDataController::GetItemField(AItemIndex));
  if (field->FSubFields.empty())
    return GetFilterFieldName(GetFieldOf(field), FDBFilter.IgnoreOrigin());
  AnsiString names;
  for (std::size_t i = 0; i < field->FSubFields.size(); ++i) {
    if (i > 0)
      names += ';';
    names += GetFilterFieldName(GetFieldOf(field->FSubFields[i]), FDBFilter.IgnoreOrigin());
  }
  return names;
}

void TcxDBDataController::ComponentRemoved(TComponent* AComponent) {
  TcxCustomDataController::ComponentRemoved(AComponent);
  bool bound = false;
  for (auto it = FBindings.begin(); it != FBindings.end();)
    if (it->second == AComponent) {
      it = FBindings.erase(it);
      bound = true;
    } else {
      ++it;
    }
  // A field freed while its dataset is open: the fields bind again without it.
  if (bound && DataSet() && DataSet()->Active())
    CheckStructure();
}

void TcxDBDataController::SetItemValueTypeClass(int AItemIndex, TcxValueTypeClass AValueTypeClass) {
  auto* field = static_cast<TcxDBDataField*>(TcxCustomDataController::GetItemField(AItemIndex));
  if (GetFieldOf(field) || !field->FSubFields.empty())
    return;
  TcxCustomDataController::SetItemValueTypeClass(AItemIndex, AValueTypeClass);
}
