#include <algorithm>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"

using namespace cxdata;

TcxDetailObject::~TcxDetailObject() {
  for (TObject* link : LinkObjects)
    if (link)
      link->Free();
}

void TcxDetailObject::SetInfoCount(int ACount) {
  if (ACount > InfoCount())
    Details.resize(std::size_t(ACount), nullptr);
  LinkObjects.resize(Details.size(), nullptr);
  if (ACount >= 1) {
    if (ActiveRelationIndex < 0)
      ActiveRelationIndex = 0;
    if (ActiveRelationIndex >= ACount)
      ActiveRelationIndex = ACount - 1;
  } else {
    ActiveRelationIndex = -1;
  }
}

bool TcxDetailObject::ClearInfo(int AIndex) {
  bool cleared = false;
  std::vector<TcxCustomDataController*> released;
  for (int i = 0; i < InfoCount(); ++i) {
    if (AIndex != -1 && i != AIndex)
      continue;
    if (TcxCustomDataController* detail = Details[std::size_t(i)]) {
      Details[std::size_t(i)] = nullptr;
      released.push_back(detail);
      cleared = true;
    }
    if (TObject* link = LinkObjects[std::size_t(i)]) {
      LinkObjects[std::size_t(i)] = nullptr;
      link->Free();
      cleared = true;
    }
  }
  for (TcxCustomDataController* detail : released)
    detail->ReleaseFromMaster();
  return cleared;
}

void TcxDetailObject::DeleteInfo(int AIndex) {
  if (AIndex < 0 || AIndex >= InfoCount())
    return;
  ClearInfo(AIndex);
  Details.erase(Details.begin() + AIndex);
  LinkObjects.erase(LinkObjects.begin() + AIndex);
}

TcxCustomDataRelation::TcxCustomDataRelation(TcxCustomDataRelationList* ARelationList, TObject* AItem)
    : FRelationList(ARelationList), FItem(AItem) {}

TcxCustomDataRelation::~TcxCustomDataRelation() {
  if (DetailDataController && DetailDataController->GetMasterRelation() == this)
    DetailDataController->SetMasterRelation(nullptr, -1);
}

TcxCustomDataController* TcxCustomDataRelation::DataController() const {
  return FRelationList->DataController();
}

int TcxCustomDataRelation::Index() const {
  auto& items = FRelationList->FItems;
  return int(std::find(items.begin(), items.end(), this) - items.begin());
}

TcxCustomDataRelationList::~TcxCustomDataRelationList() {
  Clear();
}

TcxCustomDataRelation* TcxCustomDataRelationList::Add(TObject* AItem) {
  TcxCustomDataRelation* relation = FDataController->CreateRelation(this, AItem);
  FItems.push_back(relation);
  FDataController->FDetails.resize(std::size_t(FDataController->GetRecordCount()));
  FDataController->LayoutChanged(dccDetail);
  return relation;
}

void TcxCustomDataRelationList::Remove(TcxCustomDataRelation* ARelation) {
  auto it = std::find(FItems.begin(), FItems.end(), ARelation);
  if (it == FItems.end())
    return;
  int index = int(it - FItems.begin());
  for (auto& detail : FDataController->FDetails)
    if (detail)
      detail->DeleteInfo(index);
  FItems.erase(it);
  ARelation->Free();
  if (FItems.empty())
    FDataController->FDetails.clear();
  FDataController->LayoutChanged(dccDetail);
}

void TcxCustomDataRelationList::Clear() {
  for (auto& detail : FDataController->FDetails)
    if (detail)
      detail->ClearInfo(-1);
  while (!FItems.empty()) {
    TcxCustomDataRelation* relation = FItems.back();
    FItems.pop_back();
    relation->Free();
  }
  if (!FDataController->IsDestroying())
    FDataController->FDetails.clear();
}

TcxCustomDataRelation* TcxCustomDataRelationList::FindByItem(TObject* AItem) const {
  for (TcxCustomDataRelation* relation : FItems)
    if (relation->Item() == AItem)
      return relation;
  return nullptr;
}

TcxCustomDataRelationList& TcxCustomDataController::Relations() {
  if (!FRelations)
    FRelations.reset(new TcxCustomDataRelationList(this));
  return *FRelations;
}

TcxDetailObject* TcxCustomDataController::GetDetailObject(int ARecordIndex, bool ACreate) {
  CheckRecordRange(ARecordIndex);
  if (!HasRelations() || ARecordIndex < 0)
    return nullptr;
  if (FDetails.size() != std::size_t(GetRecordCount()))
    FDetails.resize(std::size_t(GetRecordCount()));
  auto& slot = FDetails[std::size_t(ARecordIndex)];
  if (!slot && ACreate) {
    slot.reset(new TcxDetailObject());
    slot->ActiveRelationIndex = 0;
  }
  if (slot)
    slot->SetInfoCount(FRelations->Count());
  return slot.get();
}

void TcxCustomDataController::DetachFromMaster() {
  if (!FMasterRelation)
    return;
  if (FMasterRelation->DetailDataController == this)
    FMasterRelation->DetailDataController = nullptr;
  LeaveMasterRecord();
  FMasterRelation = nullptr;
  FMasterRecordIndex = -1;
}

void TcxCustomDataController::LeaveMasterRecord() {
  if (!FMasterRelation || FMasterRecordIndex < 0)
    return;
  TcxCustomDataController* master = FMasterRelation->DataController();
  if (std::size_t(FMasterRecordIndex) < master->FDetails.size())
    if (auto& detail = master->FDetails[std::size_t(FMasterRecordIndex)]) {
      int index = FMasterRelation->Index();
      if (index < detail->InfoCount() && detail->Details[std::size_t(index)] == this)
        detail->Details[std::size_t(index)] = nullptr;
    }
}

void TcxCustomDataController::JoinMasterRecord() {
  if (!FMasterRelation || FMasterRecordIndex < 0)
    return;
  TcxCustomDataController* master = FMasterRelation->DataController();
  int index = FMasterRelation->Index();
  if (FMasterRecordIndex >= master->GetRecordCount() || index >= master->FRelations->Count())
    return;
  TcxDetailObject* detail = master->GetDetailObject(FMasterRecordIndex, true);
  if (detail && index < detail->InfoCount() && !detail->Details[std::size_t(index)])
    detail->Details[std::size_t(index)] = this;
}

std::vector<TcxCustomDataController::THeldDetail> TcxCustomDataController::TakeRecordDetails() {
  std::vector<THeldDetail> held;
  for (std::size_t r = 0; r < FDetails.size(); ++r)
    if (FDetails[r])
      for (std::size_t i = 0; i < FDetails[r]->Details.size(); ++i)
        if (TcxCustomDataController*& detail = FDetails[r]->Details[i]) {
          held.push_back({detail, detail->AliveToken(), int(i), int(r)});
          detail = nullptr;
        }
  return held;
}

void TcxCustomDataController::PutRecordDetail(const THeldDetail& AHeld, int ARecordIndex) {
  TcxCustomDataController* detail = AHeld.Detail;
  if (!*AHeld.Alive || detail->GetMasterDataController() != this)
    return;
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) {
    detail->ReleaseFromMaster();
    return;
  }
  detail->FMasterRecordIndex = ARecordIndex;
  detail->JoinMasterRecord();
}

void TcxCustomDataController::ReleaseFromMaster() {
  if (!FMasterRelation)
    return;
  FMasterRecordIndex = -1;
  // A master that is being freed cannot hand out records any more, and its destructor must not raise: the
  // detail only forgets it.
  if (FMasterRelation->DataController()->IsDestroying()) {
    FMasterRelation = nullptr;
    return;
  }
  // Otherwise its master record is gone, and with it what the detail showed and wrote under.
  auto alive = FAlive;
  try {
    SetMasterRelation(nullptr, -1);
  } catch (...) {
    if (*alive)
      FMasterRelation = nullptr;
    throw;
  }
}

TcxCustomDataRelation* TcxCustomDataController::CreateRelation(TcxCustomDataRelationList* AList,
                                                               TObject* AItem) {
  return new TcxCustomDataRelation(AList, AItem);
}

TcxCustomDataController* TcxCustomDataController::GetMasterDataController() const {
  return FMasterRelation ? FMasterRelation->DataController() : nullptr;
}

TcxCustomDataController* TcxCustomDataController::GetRootDataController() {
  TcxCustomDataController* dc = this;
  while (dc->GetMasterDataController())
    dc = dc->GetMasterDataController();
  return dc;
}

int TcxCustomDataController::GetDetailMode() const {
  if (!FMasterRelation)
    return 0;
  return FMasterRecordIndex == -1 || FPatternFlag ? 1 : 2;
}

void TcxCustomDataController::SetMasterRelation(TcxCustomDataRelation* ARelation, int ARecordIndex) {
  if (!ARelation && !FMasterRelation && ARecordIndex == -1 && FMasterRecordIndex == -1)
    return;
  TControllerUpdate update(*this);
  if (FMasterRelation) {
    if (FMasterRelation->DetailDataController == this && ARecordIndex == -1)
      FMasterRelation->DetailDataController = nullptr;
    LeaveMasterRecord();
  }
  FMasterRelation = ARelation;
  if (ARelation && ARecordIndex == -1)
    ARelation->DetailDataController = this;
  FMasterRecordIndex = ARecordIndex;
  // The master knows the details of its records, so that they follow when its records move or go.
  JoinMasterRecord();
  CheckStructure();
}

bool TcxCustomDataController::CanChangeDetailExpanding(int ARecordIndex, bool AExpanded) {
  bool allow = true;
  if (AExpanded && OnDetailExpanding)
    OnDetailExpanding(this, ARecordIndex, allow);
  else if (!AExpanded && OnDetailCollapsing)
    OnDetailCollapsing(this, ARecordIndex, allow);
  return allow;
}

bool TcxCustomDataController::ChangeDetailExpanding(int ARecordIndex, bool AExpanded) {
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount())
    return false;
  TcxDetailObject* detail = GetDetailObject(ARecordIndex, false);
  if (!detail || detail->Expanded == AExpanded)
    return false;
  auto alive = FAlive;
  bool allow = CanChangeDetailExpanding(ARecordIndex, AExpanded);
  if (!*alive || !allow)
    return false;
  // The check may move focus, and a reload on the way frees the detail objects: the record's is found again.
  if (ARecordIndex >= GetRecordCount())
    return false;
  detail = GetDetailObject(ARecordIndex, false);
  if (!detail || detail->Expanded == AExpanded)
    return false;
  detail->Expanded = AExpanded;
  AddChanges(dccDetail);
  if (!*alive)
    return true;
  if (AExpanded && OnDetailExpanded)
    OnDetailExpanded(this, ARecordIndex);
  else if (!AExpanded && OnDetailCollapsed)
    OnDetailCollapsed(this, ARecordIndex);
  return true;
}

bool TcxCustomDataController::IsDetailExpanded(int ARecordIndex) {
  TcxDetailObject* detail = GetDetailObject(ARecordIndex, false);
  return detail && detail->Expanded;
}

void TcxCustomDataController::ChangeDetailActiveRelationIndex(int ARecordIndex, int AIndex) {
  TcxDetailObject* detail = GetDetailObject(ARecordIndex, true);
  if (!detail || detail->ActiveRelationIndex == AIndex)
    return;
  detail->ActiveRelationIndex = AIndex;
  AddChanges(dccDetail);
}

int TcxCustomDataController::GetDetailActiveRelationIndex(int ARecordIndex) {
  if (!HasRelations())
    return -1;
  TcxDetailObject* detail = GetDetailObject(ARecordIndex, false);
  return detail ? detail->ActiveRelationIndex : -1;
}

void TcxCustomDataController::CollapseDetails() {
  TControllerUpdate update(*this);
  bool changed = false;
  for (auto& detail : FDetails)
    if (detail && detail->Expanded) {
      detail->Expanded = false;
      changed = true;
    }
  if (changed)
    FChanges |= dccDetail;
}

void TcxCustomDataController::SetDetailDataController(int ARecordIndex, int ARelationIndex,
                                                      TcxCustomDataController* ADetail) {
  TcxDetailObject* detail = GetDetailObject(ARecordIndex, true);
  if (!detail || ARelationIndex < 0 || ARelationIndex >= detail->InfoCount())
    throw EcxInvalidDataControllerOperation(cxSDataItemIndexError);
  detail->Details[std::size_t(ARelationIndex)] = ADetail;
  if (ADetail)
    ADetail->SetMasterRelation(FRelations->Items(ARelationIndex), ARecordIndex);
}

TcxCustomDataController* TcxCustomDataController::GetDetailDataController(int ARecordIndex,
                                                                          int ARelationIndex) {
  TcxDetailObject* detail = GetDetailObject(ARecordIndex, false);
  if (!detail || ARelationIndex < 0 || ARelationIndex >= detail->InfoCount())
    return nullptr;
  if (TcxCustomDataController* set = detail->Details[std::size_t(ARelationIndex)])
    return set;
  TObject*& link = detail->LinkObjects[std::size_t(ARelationIndex)];
  if (!link && !FCreatingLinkObject) {
    auto alive = FAlive;
    TObject* created;
    {
      // A descendant's factory may come back here through the relation it builds; the guard stops that.
      TFlagGuard guard(FCreatingLinkObject, alive);
      created = CreateDetailLinkObject(FRelations->Items(ARelationIndex), ARecordIndex);
    }
    if (!*alive) {
      if (created)
        created->Free();
      return nullptr;
    }
    detail = GetDetailObject(ARecordIndex, false);
    if (detail && ARelationIndex < detail->InfoCount() && !detail->LinkObjects[std::size_t(ARelationIndex)])
      detail->LinkObjects[std::size_t(ARelationIndex)] = created;
    else if (created)
      created->Free();
    if (!detail || ARelationIndex >= detail->InfoCount())
      return nullptr;
  }
  TObject* current = detail->LinkObjects[std::size_t(ARelationIndex)];
  return current ? GetDetailDataControllerByLinkObject(current) : nullptr;
}

bool TcxCustomDataController::IsDetailDataControllerExist(int ARecordIndex, int ARelationIndex) {
  TcxDetailObject* detail = GetDetailObject(ARecordIndex, false);
  return detail && ARelationIndex >= 0 && ARelationIndex < detail->InfoCount() &&
         (detail->Details[std::size_t(ARelationIndex)] || detail->LinkObjects[std::size_t(ARelationIndex)]);
}

void TcxCustomDataController::ClearDetailObject(int ARecordIndex, int ARelationIndex) {
  TcxDetailObject* detail = GetDetailObject(ARecordIndex, false);
  if (detail && detail->ClearInfo(ARelationIndex))
    AddChanges(dccDetail);
}

void TcxCustomDataController::ClearAllDetails() {
  if (FDetails.empty())
    return;
  TControllerUpdate update(*this);
  bool changed = false;
  for (auto& detail : FDetails)
    if (detail && detail->ClearInfo(-1))
      changed = true;
  if (changed)
    FChanges |= dccDetail;
}

void TcxCustomDataController::NotifyDetailChanged(TObject* ADetailItem) {
  if (HasRelations() && FRelations->FindByItem(ADetailItem)) {
    ClearAllDetails();
    return;
  }
  // The list may change under a detail's handlers, so the controllers are gathered first.
  std::vector<TcxCustomDataController*> details;
  for (auto& detail : FDetails)
    if (detail)
      for (TcxCustomDataController* dc : detail->Details)
        if (dc)
          details.push_back(dc);
  for (TcxCustomDataController* dc : details)
    dc->NotifyDetailChanged(ADetailItem);
}

namespace {

void VisitDetails(TcxCustomDataController* AController, const std::vector<int>& APath, std::size_t ADepth,
                  const TcxCustomDataController::TcxDataControllerEachDetailProc& AProc, void* AData) {
  int relation = APath[ADepth];
  for (int r = 0; r < AController->GetRecordCount(); ++r) {
    if (!AController->IsDetailDataControllerExist(r, relation))
      continue;
    TcxCustomDataController* detail = AController->GetDetailDataController(r, relation);
    if (!detail)
      continue;
    if (ADepth + 1 == APath.size())
      AProc(AData, detail);
    else
      VisitDetails(detail, APath, ADepth + 1, AProc, AData);
  }
}

} // namespace

void TcxCustomDataController::ForEachDetail(TcxCustomDataRelation* AMasterRelation,
                                            const TcxDataControllerEachDetailProc& AProc, void* AData) {
  if (!AMasterRelation)
    return;
  std::vector<int> path;
  TcxCustomDataController* root = nullptr;
  for (TcxCustomDataRelation* relation = AMasterRelation; relation; relation = root->GetMasterRelation()) {
    path.push_back(relation->Index());
    root = relation->DataController();
  }
  std::reverse(path.begin(), path.end());
  VisitDetails(root, path, 0, AProc, AData);
}

namespace {

TcxCustomDataController* FindPattern(TcxCustomDataController* AController, TObject* AItem, int ADepth) {
  // Relations can only nest as deep as controllers do; the bound stops a cycle made by mistake.
  if (ADepth > 64 || !AController->HasRelations())
    return nullptr;
  TcxCustomDataRelationList& relations = AController->Relations();
  for (int i = 0; i < relations.Count(); ++i)
    if (relations.Items(i)->Item() == AItem)
      return relations.Items(i)->DetailDataController;
  for (int r = 0; r < AController->GetRecordCount(); ++r)
    for (int i = 0; i < relations.Count(); ++i)
      if (AController->IsDetailDataControllerExist(r, i))
        if (TcxCustomDataController* detail = AController->GetDetailDataController(r, i))
          if (TcxCustomDataController* found = FindPattern(detail, AItem, ADepth + 1))
            return found;
  return nullptr;
}

} // namespace

TcxCustomDataController* TcxCustomDataController::GetPatternDataController() {
  if (!FMasterRelation)
    return this;
  return FindPattern(GetRootDataController(), FMasterRelation->Item(), 0);
}

void TcxCustomDataController::RecordInserted(int ARecordIndex) {
  if (!HasRelations())
    return;
  FDetails.insert(FDetails.begin() + std::min<std::ptrdiff_t>(ARecordIndex, std::ptrdiff_t(FDetails.size())),
                  nullptr);
  for (std::size_t r = std::size_t(ARecordIndex) + 1; r < FDetails.size(); ++r)
    if (FDetails[r])
      for (TcxCustomDataController* detail : FDetails[r]->Details)
        if (detail)
          detail->FMasterRecordIndex = int(r);
}

void TcxCustomDataController::RecordDeleted(const std::vector<int>& ASortedIndexes) {
  for (int record : ASortedIndexes)
    ResetEditingRecordOnDelete(record);
  if (!HasRelations() || FDetails.empty())
    return;
  std::size_t out = 0, next = 0;
  std::vector<TcxCustomDataController*> released;
  for (std::size_t r = 0; r < FDetails.size(); ++r) {
    if (next < ASortedIndexes.size() && std::size_t(ASortedIndexes[next]) == r) {
      ++next;
      if (FDetails[r])
        for (TcxCustomDataController*& detail : FDetails[r]->Details)
          if (detail) {
            released.push_back(detail);
            detail = nullptr;
          }
      continue;
    }
    FDetails[out] = std::move(FDetails[r]);
    if (FDetails[out])
      for (TcxCustomDataController* detail : FDetails[out]->Details)
        if (detail)
          detail->FMasterRecordIndex = int(out);
    ++out;
  }
  FDetails.resize(out);
  for (TcxCustomDataController* detail : released)
    detail->ReleaseFromMaster();
}
