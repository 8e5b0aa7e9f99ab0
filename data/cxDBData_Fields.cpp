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

} // namespace

TcxDBDataField::~TcxDBDataField() {
  // Either of a parent and its sub-field may go first when the field list is freed.
  for (TcxDBDataField* sub : FSubFields)
    sub->FParentField = nullptr;
  if (FParentField)
    std::erase(FParentField->FSubFields, this);
}

void TcxDBDataField::Assign(TcxCustomDataField* ASource) {
  auto* source = dynamic_cast<TcxDBDataField*>(ASource);
  TcxCustomDataField::Assign(ASource);
  if (!source || source == this)
    return;
  auto* dc = static_cast<TcxDBDataController*>(DataController());
  auto it = dc->FBindings.find(source);
  if (it != dc->FBindings.end()) {
    dc->FBindings[this] = it->second;
    dc->FBindings.erase(source);
  } else {
    dc->FBindings.erase(this);
  }
  // Parts of this field's own, if any, are left without a parent and go with the next structure check.
  for (TcxDBDataField* sub : FSubFields)
    sub->FParentField = nullptr;
  FSubFields = std::move(source->FSubFields);
  source->FSubFields.clear();
  for (TcxDBDataField* sub : FSubFields)
    sub->FParentField = this;
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
  bool named = !FieldName.empty() || !SubFields().empty();
  if (!ds || !ds->Active() || !ds->CanModify())
    return !named && TcxCustomDataField::CanModify(AEditValueSource);
  TField* field = dc->GetFieldOf(this);
  if (!field)
    return false;
  if (field->Lookup() && AEditValueSource == evsKey) {
    const std::vector<TcxDBDataField*>& subs = SubFields();
    if (subs.empty())
      return CanModifyLookupKeyFields(field);
    return std::all_of(subs.begin(), subs.end(), [](TcxDBDataField* sub) { return sub->CanModify(evsKey); });
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
  if (AField->ReferenceField())
    return; // bound, typed and split into parts through the field it refers to
  if (AName.find(';') != AnsiString::npos) {
    // The parts hold the values; the field keeps their array and the text they show together.
    FBindings.erase(AField);
    SetSubFields(AField, SplitFieldNameList(AName));
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
    SetSubFields(AField, SplitFieldNameList(field->KeyFields));
    for (TcxDBDataField* sub : AField->FSubFields)
      BindDataField(sub, sub->FieldName, ADepth + 1);
  } else if (field || !SameText(previous, AName)) {
    // A closed dataset keeps a lookup's sub-fields for when it opens again.
    RemoveSubFields(AField);
  }
  if (field && item >= 0 && AField->TextStored() != IsFieldFormatted(field, true)) {
    ChangeItemTextStored(item, IsFieldFormatted(field, true));
    ReferredStorageChanged(AField);
  }
}

void TcxDBDataController::ReferredStorageChanged(TcxCustomDataField* ARoot) {
  for (int i = 0; i < BoundItemCount(); ++i) {
    TcxCustomDataField* field = TcxCustomDataController::GetItemField(i);
    if (field->ReferenceField() == ARoot)
      View().FieldStorageChanged(field);
  }
}

void TcxDBDataController::UpdateReferences() {
  TDataSet* ds = DataSet();
  bool active = ds && ds->Active();
  // What an item is bound to: a dataset field while the dataset is open, its name while it is closed.
  struct Target {
    TField* Field = nullptr;
    AnsiString Name;
    bool operator==(const Target& A) const { return Field == A.Field && Name == A.Name; }
  };
  int count = BoundItemCount();
  std::vector<TcxCustomDataField*> fields(std::size_t(count), nullptr);
  std::vector<std::pair<Target, std::vector<int>>> groups;
  for (int i = 0; i < count; ++i) {
    fields[std::size_t(i)] = TcxCustomDataController::GetItemField(i);
    auto it = FItemFieldNames.find(GetItem(i));
    if (it == FItemFieldNames.end() || it->second.empty() || it->second.find(';') != AnsiString::npos)
      continue;
    Target target;
    if (active) {
      target.Field = ds->FindField(it->second);
      if (!target.Field || target.Field->ComponentState().Contains(csDestroying))
        continue;
    } else {
      target.Name = AnsiUpperCase(it->second);
    }
    auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == target; });
    if (group == groups.end())
      groups.push_back({target, {i}});
    else
      group->second.push_back(i);
  }
  std::vector<TcxCustomDataField*> wanted(std::size_t(count), nullptr);
  for (const auto& [target, members] : groups) {
    // The others refer to a field that keeps its own value, best one whose binding did not change, so
    // that the fewest values move or change type.
    int root = -1;
    for (int m : members) {
      auto* field = static_cast<TcxDBDataField*>(fields[std::size_t(m)]);
      if (field->ReferenceField())
        continue;
      if (SameText(field->FieldName, FItemFieldNames[GetItem(m)])) {
        root = m;
        break;
      }
      if (root < 0)
        root = m;
    }
    if (root < 0)
      root = members[0];
    for (int m : members)
      if (m != root)
        wanted[std::size_t(m)] = fields[std::size_t(root)];
  }
  // Every field leaving its reference first gets a value of its own, so that a field about to refer to
  // another one is referred to by none.
  for (int i = 0; i < count; ++i) {
    TcxCustomDataField* field = fields[std::size_t(i)];
    TcxCustomDataField* root = field->ReferenceField();
    if (!root || root == wanted[std::size_t(i)])
      continue;
    TcxValueTypeClass type = root->ValueTypeClass();
    bool textStored = root->TextStored();
    field->SetReferenceField(nullptr);
    field->SetTextStored(textStored);
    field->SetValueTypeClass(type);
    View().AddChanges(dvcFilter);
  }
  for (int i = 0; i < count; ++i) {
    auto* field = static_cast<TcxDBDataField*>(fields[std::size_t(i)]);
    TcxCustomDataField* root = wanted[std::size_t(i)];
    if (!root || field->ReferenceField() == root)
      continue;
    TcxValueTypeClass type = field->ValueTypeClass();
    bool textStored = field->TextStored();
    RemoveSubFields(field);
    FBindings.erase(field);
    field->SetReferenceField(root);
    // Sorting and grouping by the field hold while its values keep their type.
    if (field->ValueTypeClass() != type || field->TextStored() != textStored)
      View().FieldStorageChanged(field);
    else
      View().AddChanges(dvcFilter);
  }
}

Variant TcxDBDataController::GetRecordFieldValue(int ARecordIndex, TcxCustomDataField* AField) {
  auto* field = static_cast<TcxDBDataField*>(AField);
  if (!field || field->SubFields().empty())
    return TcxCustomDataController::GetRecordFieldValue(ARecordIndex, AField);
  if (field->SubFields().size() == 1)
    return GetRecordFieldValue(ARecordIndex, field->SubFields()[0]);
  std::vector<Variant> values;
  for (TcxDBDataField* sub : field->SubFields())
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
  if (!dbField || dbField->SubFields().empty())
    return AnsiString();
  const std::vector<TcxDBDataField*>& subs = dbField->SubFields();
  AnsiString text;
  for (std::size_t i = 0; i < subs.size(); ++i) {
    if (i > 0)
      text += kPartTextSeparator;
    text += GetDataSetDisplayText(subs[i]);
  }
  return text;
}

AnsiString TcxDBDataController::GetItemFilterFieldName(int AItemIndex) {
  auto* field = static_cast<TcxDBDataField*>(TcxCustomDataController::GetItemField(AItemIndex));
  const std::vector<TcxDBDataField*>& subs = field->SubFields();
  if (subs.empty())
    return GetFilterFieldName(GetFieldOf(field), FDBFilter.IgnoreOrigin());
  AnsiString names;
  for (std::size_t i = 0; i < subs.size(); ++i) {
    if (i > 0)
      names += ';';
    names += GetFilterFieldName(GetFieldOf(subs[i]), FDBFilter.IgnoreOrigin());
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
  if (GetFieldOf(field) || !field->SubFields().empty())
    return;
  TcxCustomDataController::SetItemValueTypeClass(AItemIndex, AValueTypeClass);
}
