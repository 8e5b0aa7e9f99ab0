#include "data/cxCustomData.h"

TcxCustomDataField::TcxCustomDataField(TcxCustomDataFieldList* AFieldList) : FFieldList(AFieldList) {}

TcxCustomDataField::~TcxCustomDataField() {
  if (!FReferenceField)
    FreeValueDef();
}

void TcxCustomDataField::FreeValueDef() {
  if (FValueDef) {
    TcxValueDef* def = FValueDef;
    FValueDef = nullptr;
    def->Free();
  }
}

TcxCustomDataController* TcxCustomDataField::DataController() const {
  return FFieldList->DataController();
}

void TcxCustomDataField::Assign(TcxCustomDataField* ASource) {
  if (!ASource || ASource == this)
    return;
  FreeValueDef();
  FValueDef = ASource->FValueDef;
  FValueTypeClass = ASource->FValueTypeClass;
  FTextStored = ASource->FTextStored;
  ASource->FValueDef = nullptr;
  ASource->FValueTypeClass = nullptr;
  if (FValueDef)
    FValueDef->SetLinkObject(this);
  FReferenceField = nullptr;
}

bool TcxCustomDataField::CanModify(TcxDataEditValueSource AEditValueSource) {
  (void)AEditValueSource;
  return Root()->FValueDef != nullptr || DataController()->IsProviderMode();
}

void TcxCustomDataField::SetInternal(bool AValue) {
  FInternal = AValue;
  FFieldList->RecountInternal();
}

int TcxCustomDataField::Index() const {
  return FFieldList->IndexOf(this);
}

void TcxCustomDataField::SetIndex(int AValue) {
  FFieldList->Move(Index(), AValue);
}

void TcxCustomDataField::SetReferenceField(TcxCustomDataField* AValue) {
  TcxCustomDataField* root = AValue ? AValue->Root() : nullptr;
  if (root == this || root == FReferenceField)
    return;
  if (!FReferenceField) {
    FreeValueDef();
    FValueTypeClass = nullptr;
  }
  FReferenceField = root;
}

void TcxCustomDataField::BeginChange() {
  if (FChangeCount++ == 0)
    FreeValueDef();
}

void TcxCustomDataField::EndChange() {
  if (--FChangeCount == 0 && FValueTypeClass)
    FValueDef = DataController()->DataStorage().ValueDefs()->Add(FValueTypeClass, true, FTextStored, this);
}

void TcxCustomDataField::SetTextStored(bool AValue) {
  if (FReferenceField || FTextStored == AValue)
    return;
  BeginChange();
  FTextStored = AValue;
  EndChange();
}

void TcxCustomDataField::SetValueTypeClass(TcxValueTypeClass AValue) {
  if (FReferenceField || FValueTypeClass == AValue)
    return;
  BeginChange();
  FValueTypeClass = AValue;
  EndChange();
}

TcxCustomDataField* TcxCustomDataFieldList::FieldByItem(TObject* AItem) const {
  for (TcxCustomDataField* field : FItems)
    if (field->Item() == AItem)
      return field;
  return nullptr;
}

void TcxCustomDataFieldList::Add(TcxCustomDataField* AField) {
  if (AField->IsInternal())
    FItems.push_back(AField);
  else
    FItems.insert(FItems.begin() + ItemCount(), AField);
  RecountInternal();
}

void TcxCustomDataFieldList::Remove(TcxCustomDataField* AField) {
  int index = IndexOf(AField);
  if (index < 0)
    return;
  // Fields sharing this one's value definition: the first takes it over, the others follow the first.
  TcxCustomDataField* heir = nullptr;
  for (TcxCustomDataField* field : FItems) {
    if (field->FReferenceField != AField)
      continue;
    if (!heir) {
      heir = field;
      heir->FReferenceField = nullptr;
      heir->Assign(AField);
    } else {
      field->FReferenceField = heir;
    }
  }
  FItems.erase(FItems.begin() + index);
  RecountInternal();
}

void TcxCustomDataFieldList::Clear() {
  std::vector<TcxCustomDataField*> referring, owning;
  for (TcxCustomDataField* field : FItems)
    (field->ReferenceField() ? referring : owning).push_back(field);
  FItems.clear();
  FInternalCount = 0;
  // Referring fields go first so that no field frees a definition another still reads.
  for (TcxCustomDataField* field : referring)
    field->Free();
  for (TcxCustomDataField* field : owning)
    field->Free();
}

int TcxCustomDataFieldList::IndexOf(const TcxCustomDataField* AField) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == AField)
      return int(i);
  return -1;
}

void TcxCustomDataFieldList::Move(int AFrom, int ATo) {
  if (AFrom == ATo || AFrom < 0 || ATo < 0 || AFrom >= Count() || ATo >= Count())
    return;
  TcxCustomDataField* field = FItems[std::size_t(AFrom)];
  FItems.erase(FItems.begin() + AFrom);
  FItems.insert(FItems.begin() + ATo, field);
}

void TcxCustomDataFieldList::RecountInternal() {
  FInternalCount = 0;
  for (TcxCustomDataField* field : FItems)
    FInternalCount += field->IsInternal();
}
