#include "data/cxDataStorage.h"
#include "data/cxDataStorage_Heap.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "data/cxVariants.h"
#include "platform/rtl/FMTBcd.h"
#include "platform/rtl/SqlTimSt.h"

namespace {

template <typename T> T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T> void StoreAt(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}
template <typename T> T* CellOf(void* place) {
  return Load<T*>(place);
}
template <typename T> int Order(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Nil cells order first, then the contents.
template <typename T, typename F> int CompareCells(void* d1, void* d2, F compare) {
  if (!d1 || !d2)
    return d1 ? 1 : (d2 ? -1 : 0);
  return compare(*static_cast<T*>(d1), *static_cast<T*>(d2));
}
template <typename T> int CompareTextCells(void* d1, void* d2) {
  return CompareCells<T>(d1, d2, [](const T& a, const T& b) {
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  });
}

// A cell is allocated with the first value and freed with the record, so a place that never held one is nil.
template <typename T> void FreeCell(void* place) {
  delete CellOf<T>(place);
  StoreAt<T*>(place, nullptr);
}
template <typename T> void SetCell(void* place, T value) {
  if (T* cell = CellOf<T>(place))
    *cell = std::move(value);
  else
    StoreAt(place, new T(std::move(value)));
}
template <typename T> Variant CellValue(void* place) {
  T* cell = CellOf<T>(place);
  return cell ? Variant(*cell) : Null;
}
template <typename T> Variant CellContents(void* cell) {
  return cell ? Variant(*static_cast<T*>(cell)) : Null;
}

} // namespace

#define PELVOR_VALUE_TYPE_INSTANCE(Self)                                                                     \
  TcxValueTypeClass Self::Instance() {                                                                       \
    static const Self instance;                                                                              \
    return &instance;                                                                                        \
  }
PELVOR_VALUE_TYPE_INSTANCE(TcxValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxStringValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxWideStringValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxSmallintValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxIntegerValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxWordValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxBooleanValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxFloatValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxCurrencyValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxDateTimeValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxLargeIntValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxFMTBcdValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxSQLTimeStampValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxVariantValueType)
PELVOR_VALUE_TYPE_INSTANCE(TcxObjectValueType)
#undef PELVOR_VALUE_TYPE_INSTANCE

int TcxValueType::CompareData(void* P1, void* P2) const {
  PrepareValueBuffer(P1);
  PrepareValueBuffer(P2);
  return Compare(P1, P2);
}

void TcxValueType::FreeTextBuffer(void* ATextSlot) const {
  FreeCell<AnsiString>(ATextSlot);
}

Variant TcxValueType::GetValue(void* P) const {
  (void)P;
  return Null;
}

AnsiString TcxValueType::GetDisplayText(void* P) const {
  try {
    return VarToStr(GetValue(P));
  } catch (const EVariantError&) {
    return AnsiString();
  }
}

AnsiString TcxValueType::GetTextFromBuffer(void* ATextSlot) const {
  AnsiString* cell = CellOf<AnsiString>(ATextSlot);
  return cell ? *cell : AnsiString();
}

void TcxValueType::ReadValue(void* P, TStream* AStream) const {
  SetValue(P, ReadVariant(AStream));
}

void TcxValueType::ReadText(void* ATextSlot, TStream* AStream) const {
  SetTextToBuffer(ATextSlot, ReadAnsiString(AStream));
}

void TcxValueType::SetTextToBuffer(void* ATextSlot, const AnsiString& AText) const {
  SetCell(ATextSlot, AText);
}

void TcxValueType::WriteValue(void* P, TStream* AStream) const {
  WriteVariant(AStream, GetValue(P));
}

void TcxValueType::WriteText(void* ATextSlot, TStream* AStream) const {
  WriteAnsiString(AStream, GetTextFromBuffer(ATextSlot));
}

AnsiString TcxValueType::GetTypeName() const {
  AnsiString name = ClassName();
  if (name.compare(0, 3, "Tcx") == 0)
    name.erase(0, 3);
  std::size_t pos = name.find("ValueType");
  if (pos != AnsiString::npos)
    name.erase(pos, 9);
  return name;
}

int TcxValueType::Compare(void* D1, void* D2) const {
  return VarCompare(GetDataValue(D1), GetDataValue(D2));
}

bool TcxValueType::IsValueValid(const Variant& AValue) const {
  if (VarIsNull(AValue) || GetVarType() == varVariant)
    return true;
  try {
    VarAsType(AValue, GetVarType());
    return true;
  } catch (const EVariantError&) {
    return false;
  } catch (const EConvertError&) {
    return false;
  }
}

int TcxStringValueType::CompareData(void* P1, void* P2) const {
  return Compare(CellOf<void>(P1), CellOf<void>(P2));
}

void TcxStringValueType::FreeBuffer(void* P) const {
  FreeCell<AnsiString>(P);
}

Variant TcxStringValueType::GetValue(void* P) const {
  return CellValue<AnsiString>(P);
}

void TcxStringValueType::ReadValue(void* P, TStream* AStream) const {
  SetValue(P, Variant(ReadAnsiString(AStream)));
}

void TcxStringValueType::SetValue(void* P, const Variant& AValue) const {
  SetCell(P, VarToStr(AValue));
}

void TcxStringValueType::WriteValue(void* P, TStream* AStream) const {
  AnsiString* cell = CellOf<AnsiString>(P);
  WriteAnsiString(AStream, cell ? *cell : AnsiString());
}

int TcxStringValueType::Compare(void* D1, void* D2) const {
  return CompareTextCells<AnsiString>(D1, D2);
}

Variant TcxStringValueType::GetDataValue(void* D) const {
  return CellContents<AnsiString>(D);
}

void TcxStringValueType::PrepareValueBuffer(void*& P) const {
  P = CellOf<void>(P);
}

void TcxWideStringValueType::FreeBuffer(void* P) const {
  FreeCell<WideString>(P);
}

Variant TcxWideStringValueType::GetValue(void* P) const {
  return CellValue<WideString>(P);
}

void TcxWideStringValueType::ReadValue(void* P, TStream* AStream) const {
  SetValue(P, Variant(ReadWideString(AStream)));
}

void TcxWideStringValueType::SetValue(void* P, const Variant& AValue) const {
  SetCell(P, VarToWideStr(AValue));
}

void TcxWideStringValueType::WriteValue(void* P, TStream* AStream) const {
  WideString* cell = CellOf<WideString>(P);
  WriteWideString(AStream, cell ? *cell : WideString());
}

int TcxWideStringValueType::Compare(void* D1, void* D2) const {
  return CompareTextCells<WideString>(D1, D2);
}

Variant TcxWideStringValueType::GetDataValue(void* D) const {
  return CellContents<WideString>(D);
}

Variant TcxSmallintValueType::GetValue(void* P) const {
  return Variant::FromInteger(Load<std::int16_t>(P), varSmallint);
}
void TcxSmallintValueType::ReadValue(void* P, TStream* AStream) const {
  StoreAt(P, ReadSmallint(AStream));
}
void TcxSmallintValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt(P, std::int16_t(VarAsType(AValue, varSmallint).RawInteger()));
}
void TcxSmallintValueType::WriteValue(void* P, TStream* AStream) const {
  WriteSmallint(AStream, Load<std::int16_t>(P));
}
int TcxSmallintValueType::Compare(void* D1, void* D2) const {
  return Load<std::int16_t>(D1) - Load<std::int16_t>(D2);
}

Variant TcxIntegerValueType::GetValue(void* P) const {
  return Variant(int(Load<std::int32_t>(P)));
}
void TcxIntegerValueType::ReadValue(void* P, TStream* AStream) const {
  StoreAt(P, ReadInteger(AStream));
}
void TcxIntegerValueType::SetValue(void* P, const Variant& AValue) const {
  if (VarType(AValue) == varInteger)
    StoreAt(P, std::int32_t(AValue.RawInteger()));
  else
    StoreAt(P, std::int32_t(VarAsType(AValue, varInteger).RawInteger()));
}
void TcxIntegerValueType::WriteValue(void* P, TStream* AStream) const {
  WriteInteger(AStream, Load<std::int32_t>(P));
}
int TcxIntegerValueType::Compare(void* D1, void* D2) const {
  return Order(Load<std::int32_t>(D1), Load<std::int32_t>(D2));
}

Variant TcxWordValueType::GetValue(void* P) const {
  return Variant::FromInteger(Load<std::uint16_t>(P), varWord);
}
void TcxWordValueType::ReadValue(void* P, TStream* AStream) const {
  StoreAt(P, ReadWord(AStream));
}
void TcxWordValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt(P, std::uint16_t(VarAsType(AValue, varWord).RawInteger()));
}
void TcxWordValueType::WriteValue(void* P, TStream* AStream) const {
  WriteWord(AStream, Load<std::uint16_t>(P));
}
int TcxWordValueType::Compare(void* D1, void* D2) const {
  return int(Load<std::uint16_t>(D1)) - int(Load<std::uint16_t>(D2));
}

Variant TcxBooleanValueType::GetValue(void* P) const {
  return Variant(Load<std::uint8_t>(P) != 0);
}
AnsiString TcxBooleanValueType::GetDisplayText(void* P) const {
  return Load<std::uint8_t>(P) ? "True" : "False";
}
void TcxBooleanValueType::ReadValue(void* P, TStream* AStream) const {
  StoreAt<std::uint8_t>(P, ReadBoolean(AStream) ? 1 : 0);
}
void TcxBooleanValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt<std::uint8_t>(P, AValue.AsBoolean() ? 1 : 0);
}
void TcxBooleanValueType::WriteValue(void* P, TStream* AStream) const {
  WriteBoolean(AStream, Load<std::uint8_t>(P) != 0);
}
int TcxBooleanValueType::Compare(void* D1, void* D2) const {
  return int(Load<std::uint8_t>(D1)) - int(Load<std::uint8_t>(D2));
}

Variant TcxFloatValueType::GetValue(void* P) const {
  return Variant(Load<double>(P));
}
void TcxFloatValueType::ReadValue(void* P, TStream* AStream) const {
  StoreAt(P, ReadFloat(AStream));
}
void TcxFloatValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt(P, VarType(AValue) == varDouble ? AValue.RawDouble() : AValue.AsDouble());
}
void TcxFloatValueType::WriteValue(void* P, TStream* AStream) const {
  WriteFloat(AStream, Load<double>(P));
}
int TcxFloatValueType::Compare(void* D1, void* D2) const {
  return Order(Load<double>(D1), Load<double>(D2));
}

Variant TcxCurrencyValueType::GetValue(void* P) const {
  return Variant(Currency{Load<std::int64_t>(P)});
}
void TcxCurrencyValueType::ReadValue(void* P, TStream* AStream) const {
  StoreAt(P, ReadInt64(AStream));
}
void TcxCurrencyValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt(P, AValue.AsCurrency().Value);
}
void TcxCurrencyValueType::WriteValue(void* P, TStream* AStream) const {
  WriteInt64(AStream, Load<std::int64_t>(P));
}
int TcxCurrencyValueType::Compare(void* D1, void* D2) const {
  return Order(Load<std::int64_t>(D1), Load<std::int64_t>(D2));
}

Variant TcxDateTimeValueType::GetValue(void* P) const {
  return Variant::FromDate(Load<double>(P));
}
AnsiString TcxDateTimeValueType::GetDisplayText(void* P) const {
  try {
    return VarToStr(GetValue(P));
  } catch (const EVariantError&) {
    return VarDateToText(Load<double>(P));
  }
}
void TcxDateTimeValueType::ReadValue(void* P, TStream* AStream) const {
  StoreAt(P, ReadDateTime(AStream));
}
void TcxDateTimeValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt(P, AValue.AsDate());
}
void TcxDateTimeValueType::WriteValue(void* P, TStream* AStream) const {
  WriteDateTime(AStream, Load<double>(P));
}
int TcxDateTimeValueType::Compare(void* D1, void* D2) const {
  return Order(Load<double>(D1), Load<double>(D2));
}

Variant TcxLargeIntValueType::GetValue(void* P) const {
  return Variant(Load<std::int64_t>(P));
}
void TcxLargeIntValueType::ReadValue(void* P, TStream* AStream) const {
  StoreAt(P, ReadInt64(AStream));
}
void TcxLargeIntValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt(P, AValue.AsInt64());
}
void TcxLargeIntValueType::WriteValue(void* P, TStream* AStream) const {
  WriteInt64(AStream, Load<std::int64_t>(P));
}
int TcxLargeIntValueType::Compare(void* D1, void* D2) const {
  return Order(Load<std::int64_t>(D1), Load<std::int64_t>(D2));
}

Variant TcxFMTBcdValueType::GetValue(void* P) const {
  return Variant(BcdToDouble(Load<TBcd>(P)));
}
AnsiString TcxFMTBcdValueType::GetDisplayText(void* P) const {
  return BcdToStrF(Load<TBcd>(P), ffGeneral, 0, 0);
}
void TcxFMTBcdValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt(P, VarToBcd(AValue));
}
int TcxFMTBcdValueType::Compare(void* D1, void* D2) const {
  return BcdCompare(Load<TBcd>(D1), Load<TBcd>(D2));
}
TVarType TcxFMTBcdValueType::GetVarType() const {
  return VarFMTBcd();
}

Variant TcxSQLTimeStampValueType::GetValue(void* P) const {
  return Variant::FromDate(SQLTimeStampToDateTime(Load<TSQLTimeStamp>(P)));
}
void TcxSQLTimeStampValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt(P, VarToSQLTimeStamp(AValue));
}
int TcxSQLTimeStampValueType::Compare(void* D1, void* D2) const {
  return SQLTimeStampCompare(Load<TSQLTimeStamp>(D1), Load<TSQLTimeStamp>(D2));
}
TVarType TcxSQLTimeStampValueType::GetVarType() const {
  return VarSQLTimeStamp();
}

int TcxVariantValueType::CompareData(void* P1, void* P2) const {
  return Compare(CellOf<void>(P1), CellOf<void>(P2));
}
void TcxVariantValueType::FreeBuffer(void* P) const {
  FreeCell<Variant>(P);
}
Variant TcxVariantValueType::GetValue(void* P) const {
  return CellValue<Variant>(P);
}
void TcxVariantValueType::SetValue(void* P, const Variant& AValue) const {
  SetCell(P, AValue);
}
int TcxVariantValueType::Compare(void* D1, void* D2) const {
  return CompareCells<Variant>(D1, D2, [](const Variant& a, const Variant& b) { return VarCompare(a, b); });
}
Variant TcxVariantValueType::GetDataValue(void* D) const {
  return CellContents<Variant>(D);
}
void TcxVariantValueType::PrepareValueBuffer(void*& P) const {
  P = CellOf<void>(P);
}

void TcxObjectValueType::FreeBuffer(void* P) const {
  TObject* object = CellOf<TObject>(P);
  StoreAt<TObject*>(P, nullptr);
  if (object)
    object->Free();
}
Variant TcxObjectValueType::GetValue(void* P) const {
  return Variant(std::int64_t(Load<std::intptr_t>(P)));
}
void TcxObjectValueType::SetValue(void* P, const Variant& AValue) const {
  StoreAt(P, std::intptr_t(AValue.AsInt64()));
}
int TcxObjectValueType::Compare(void* D1, void* D2) const {
  return Order(Load<std::intptr_t>(D1), Load<std::intptr_t>(D2));
}

void TcxValueTypeClassList::Register(TcxValueTypeClass AValueTypeClass) {
  for (auto* item : FItems)
    if (item == AValueTypeClass)
      return;
  FItems.push_back(AValueTypeClass);
}

void TcxValueTypeClassList::Unregister(TcxValueTypeClass AValueTypeClass) {
  std::erase(FItems, AValueTypeClass);
}

TcxValueTypeClass TcxValueTypeClassList::ItemByTypeName(const AnsiString& ATypeName) const {
  for (auto* item : FItems)
    if (SameText(item->GetTypeName(), ATypeName))
      return item;
  return nullptr;
}

namespace {
std::unique_ptr<TcxValueTypeClassList>& ValueTypeClassList() {
  static std::unique_ptr<TcxValueTypeClassList> list;
  return list;
}
const std::vector<TcxValueTypeClass>& StandardValueTypes() {
  static const std::vector<TcxValueTypeClass> types{
      TcxStringValueType::Instance(),   TcxWideStringValueType::Instance(),
      TcxSmallintValueType::Instance(), TcxIntegerValueType::Instance(),
      TcxWordValueType::Instance(),     TcxBooleanValueType::Instance(),
      TcxFloatValueType::Instance(),    TcxCurrencyValueType::Instance(),
      TcxDateTimeValueType::Instance(), TcxLargeIntValueType::Instance(),
      TcxFMTBcdValueType::Instance(),   TcxSQLTimeStampValueType::Instance(),
      TcxVariantValueType::Instance(),  TcxObjectValueType::Instance()};
  return types;
}
} // namespace

TcxValueTypeClassList* GetValueTypeClassList() {
  auto& list = ValueTypeClassList();
  if (!list)
    list = std::make_unique<TcxValueTypeClassList>();
  return list.get();
}

void cxDataStorageInitialize() {
  for (auto* type : StandardValueTypes())
    GetValueTypeClassList()->Register(type);
}

void cxDataStorageFinalize() {
  auto& types = StandardValueTypes();
  for (auto it = types.rbegin(); it != types.rend(); ++it)
    GetValueTypeClassList()->Unregister(*it);
  ValueTypeClassList().reset();
}

bool TcxLookupList::Find(const Variant& AKeyValue, int& AIndex) const {
  int low = 0, high = Count() - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int c = VarCompare(FItems[std::size_t(middle)]->KeyValue, AKeyValue);
    if (c == 0) {
      AIndex = middle;
      return true;
    }
    if (c < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  AIndex = low;
  return false;
}

void TcxLookupList::Insert(int AIndex, const Variant& AKeyValue, const AnsiString& ADisplayText) {
  if (AIndex < 0 || AIndex > Count())
    throw EListError("List index out of bounds (" + IntToStr(AIndex) + ")");
  FItems.insert(FItems.begin() + AIndex,
                std::make_unique<TcxLookupListItem>(TcxLookupListItem{AKeyValue, ADisplayText}));
}

TcxValueDef::TcxValueDef(TcxValueDefs* AValueDefs, TcxValueTypeClass AValueTypeClass)
    : FValueDefs(AValueDefs), FValueTypeClass(AValueTypeClass) {}

TcxValueDef::~TcxValueDef() {
  if (FValueDefs && FValueDefs->IndexOf(this) >= 0) {
    FValueDefs->FDataStorage->RemoveValueDef(this);
    std::erase(FValueDefs->FItems, this);
    FValueDefs->FDataStorage->PrepareValueDefs(FValueDefs);
  }
}

bool TcxValueDef::GetStored() {
  return FStored || !FValueDefs->FDataStorage->StoredValuesOnly();
}

void TcxValueDef::Assign(TcxValueDef* ASource) {
  SetStored(ASource->GetStored());
  SetTextStored(ASource->TextStored());
}

void TcxValueDef::SetStored(bool AValue) {
  if (FStored == AValue)
    return;
  bool oldStored = GetStored();
  FStored = AValue;
  FValueDefs->FDataStorage->ChangeLayout(this, oldStored, FTextStored);
  FValueDefs->Changed(this, false);
}

void TcxValueDef::SetTextStored(bool AValue) {
  if (FTextStored == AValue)
    return;
  bool oldTextStored = FTextStored;
  FTextStored = AValue;
  FValueDefs->FDataStorage->ChangeLayout(this, GetStored(), oldTextStored);
  FValueDefs->Changed(this, true);
}

TObject* TcxInternalValueDef::GetLinkObject() {
  TcxValueDef* regular = RegularDef();
  return regular ? regular->GetLinkObject() : nullptr;
}

TcxValueDefs::TcxValueDefs(TcxDataStorage* ADataStorage) : FDataStorage(ADataStorage) {}

TcxValueDefs::~TcxValueDefs() {
  while (!FItems.empty())
    FItems.back()->Free();
}

void TcxValueDefs::Changed(TcxValueDef* AValueDef, bool AStructureChanged) {
  FDataStorage->ValueDefsChanged(AValueDef, AStructureChanged);
}

void TcxValueDefs::Prepare(int AStartOffset) {
  FStartOffset = AStartOffset;
  int offset = AStartOffset;
  for (TcxValueDef* def : FItems) {
    def->FDataSize = def->FValueTypeClass->GetDataSize();
    def->FOffset = offset;
    if (def->GetStored()) {
      offset += 1 + def->FDataSize + (def->FTextStored ? int(sizeof(void*)) : 0);
      def->FBufferSize = offset - def->FOffset;
    } else {
      def->FBufferSize = 0;
    }
  }
  FRecordSize = offset;
}

TcxValueDef* TcxValueDefs::Add(TcxValueTypeClass AValueTypeClass, bool AStored, bool ATextStored,
                               TObject* ALinkObject) {
  if (!AValueTypeClass)
    throw EInvalidArgument("A value definition needs a value type");
  TcxValueDef* def = NewInstance<TcxValueDef>(GetValueDefClass(), this, AValueTypeClass);
  def->FLinkObject = ALinkObject;
  def->FStored = AStored;
  def->FTextStored = ATextStored;
  def->FDataSize = AValueTypeClass->GetDataSize();
  def->FBufferSize = def->GetStored() ? 1 + def->FDataSize + (ATextStored ? int(sizeof(void*)) : 0) : 0;
  FDataStorage->InsertValueDef(Count(), def);
  FItems.push_back(def);
  FDataStorage->PrepareValueDefs(this);
  return def;
}

int TcxValueDefs::Count() const {
  const std::vector<TcxValueDef*>* list = FDataStorage->ValueDefsList;
  return list ? int(list->size()) : int(FItems.size());
}

TcxValueDef* TcxValueDefs::Items(int AIndex) const {
  const std::vector<TcxValueDef*>& list = FDataStorage->ValueDefsList ? *FDataStorage->ValueDefsList : FItems;
  return list.at(std::size_t(AIndex));
}

int TcxValueDefs::IndexOf(const TcxValueDef* AValueDef) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == AValueDef)
      return int(i);
  return -1;
}

bool TcxValueDefs::IsInternal() const {
  return this == FDataStorage->FInternalValueDefs;
}

TcxInternalValueDef* TcxInternalValueDefs::FindByLinkObject(const TcxValueDef* AValueDef) const {
  for (auto it = FItems.rbegin(); it != FItems.rend(); ++it) {
    auto* def = static_cast<TcxInternalValueDef*>(*it);
    if (def->RegularDef() == AValueDef)
      return def;
  }
  return nullptr;
}

TcxDataStorage::TcxDataStorage() : FHeap(std::make_unique<cxdata::TRecordHeap>()) {
  FInternalValueDefs = new TcxInternalValueDefs(this);
  FValueDefs = new TcxValueDefs(this);
  PrepareValueDefs(FInternalValueDefs);
  PrepareValueDefs(FValueDefs);
}

TcxDataStorage::~TcxDataStorage() {
  FDestroying = true;
  ClearRecords(true);
  for (std::size_t k = 0; k < FInternalRecords.size(); ++k)
    FreeRecord(-int(k) - 1);
  FInternalRecords.clear();
  // Regular definitions free their internal twins, so they go first.
  FValueDefs->Free();
  FInternalValueDefs->Free();
}

std::size_t TcxDataStorage::HeldBytes() const {
  return FHeap->BytesHeld();
}

std::size_t TcxDataStorage::PeakHeldBytes() const {
  return FHeap->PeakBytesHeld();
}

void TcxDataStorage::ResetPeakHeldBytes() {
  FHeap->ResetPeak();
}

void TcxDataStorage::BeforeDestruction() {
  FDestroying = true;
  TObject::BeforeDestruction();
}

void TcxDataStorage::PrepareValueDefs(TcxValueDefs* AValueDefs) {
  AValueDefs->Prepare(HeaderSize());
}

void TcxDataStorage::ValueDefsChanged(TcxValueDef* AValueDef, bool AStructureChanged) {
  (void)AValueDef;
  (void)AStructureChanged;
}

TcxValueDefs* TcxDataStorage::GetValueDefsByRecordIndex(int ARecordIndex) {
  return ARecordIndex < 0 ? FInternalValueDefs : FValueDefs;
}

char*& TcxDataStorage::BufferSlot(int ARecordIndex) {
  if (ARecordIndex < 0)
    return FInternalRecords.at(std::size_t(-(ARecordIndex + 1)));
  return FRecords.at(std::size_t(ARecordIndex));
}

const char* TcxDataStorage::OtherRecordBuffer(int ARecordIndex) const {
  if (ARecordIndex < 0)
    return FInternalRecords.at(std::size_t(-(ARecordIndex + 1)));
  return FRecords.at(std::size_t(ARecordIndex));
}

char* TcxDataStorage::EnsureBuffer(int ARecordIndex) {
  char*& slot = BufferSlot(ARecordIndex);
  if (!slot) {
    int size = GetValueDefsByRecordIndex(ARecordIndex)->RecordSize();
    slot = FHeap->Allocate(size);
  }
  return slot;
}

TcxValueDef* TcxDataStorage::ResolveValueDef(int ARecordIndex, TcxValueDef* AValueDef) {
  if (!AValueDef)
    return nullptr;
  TcxValueDefs* owner = AValueDef->ValueDefs();
  TcxValueDef* def = nullptr;
  if (ARecordIndex < 0)
    def = owner == FInternalValueDefs ? AValueDef : FInternalValueDefs->FindByLinkObject(AValueDef);
  else
    def = owner == FValueDefs ? AValueDef : nullptr;
  // A definition without room in the buffer has nothing to read or write.
  return def && def->BufferSize() > 0 ? def : nullptr;
}

void TcxDataStorage::FreeValue(char* ABuffer, TcxValueDef* AValueDef) {
  if (AValueDef->BufferSize() == 0)
    return;
  char* place = ABuffer + AValueDef->Offset();
  if (place[0]) {
    if (IsPooledText(AValueDef))
      FreePooledText(place + 1);
    else
      AValueDef->ValueTypeClass()->FreeBuffer(place + 1);
    std::memset(place + 1, 0, std::size_t(AValueDef->DataSize()));
    place[0] = 0;
  }
  if (AValueDef->TextStored())
    AValueDef->ValueTypeClass()->FreeTextBuffer(place + 1 + AValueDef->DataSize());
}

void TcxDataStorage::FreeRecord(int ARecordIndex) {
  char*& slot = BufferSlot(ARecordIndex);
  if (!slot)
    return;
  TcxValueDefs* defs = GetValueDefsByRecordIndex(ARecordIndex);
  for (TcxValueDef* def : defs->FItems)
    FreeValue(slot, def);
  FHeap->Free(slot);
  slot = nullptr;
}

void TcxDataStorage::AssignRecordID(int ARecordIndex) {
  if (!FUseRecordID)
    return;
  char* buffer = EnsureBuffer(ARecordIndex);
  if (Load<std::int32_t>(buffer + 1) == 0)
    StoreAt<std::int32_t>(buffer + 1, FNextRecordID++);
}

int TcxDataStorage::AppendRecord() {
  FRecords.push_back(nullptr);
  int index = RecordCount() - 1;
  AssignRecordID(index);
  return index;
}

void TcxDataStorage::InsertRecord(int ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex > RecordCount())
    throw EListError("List index out of bounds (" + IntToStr(ARecordIndex) + ")");
  FRecords.insert(FRecords.begin() + ARecordIndex, nullptr);
  AssignRecordID(ARecordIndex);
}

int TcxDataStorage::AddInternalRecord() {
  int index = 0;
  for (std::size_t k = 0; k < FInternalRecords.size(); ++k) {
    char* buffer = FInternalRecords[k];
    if (!buffer || !(buffer[0] & 1)) {
      index = -int(k) - 1;
      break;
    }
  }
  if (index == 0) {
    FInternalRecords.push_back(nullptr);
    index = -int(FInternalRecords.size());
  }
  char* buffer = EnsureBuffer(index);
  buffer[0] |= 1;
  return index;
}

void TcxDataStorage::DeleteRecord(int ARecordIndex) {
  FreeRecord(ARecordIndex);
  if (ARecordIndex >= 0) {
    FRecords.erase(FRecords.begin() + ARecordIndex);
    if (FRecords.empty())
      FNextRecordID = 1;
  }
}

void TcxDataStorage::DeleteRecords(const std::vector<int>& ASortedIndexes) {
  if (ASortedIndexes.empty())
    return;
  for (int index : ASortedIndexes)
    if (index < 0 || index >= RecordCount())
      throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  for (int index : ASortedIndexes)
    FreeRecord(index);
  std::size_t out = 0, next = 0;
  for (std::size_t i = 0; i < FRecords.size(); ++i) {
    if (next < ASortedIndexes.size() && std::size_t(ASortedIndexes[next]) == i) {
      ++next;
      continue;
    }
    FRecords[out++] = FRecords[i];
  }
  FRecords.resize(out);
  if (FRecords.empty())
    FNextRecordID = 1;
}

void TcxDataStorage::SetRecordCount(int AValue) {
  if (AValue < 0)
    AValue = 0;
  while (RecordCount() < AValue)
    AppendRecord();
  while (RecordCount() > AValue)
    DeleteRecord(RecordCount() - 1);
}

Variant TcxDataStorage::GetValue(int ARecordIndex, TcxValueDef* AValueDef) {
  TcxValueDef* def = ResolveValueDef(ARecordIndex, AValueDef);
  if (!def)
    return Null;
  char* buffer = BufferSlot(ARecordIndex);
  if (!buffer || !buffer[def->Offset()])
    return Null;
  return def->ValueTypeClass()->GetValue(buffer + def->Offset() + 1);
}

void TcxDataStorage::SetValue(int ARecordIndex, TcxValueDef* AValueDef, const Variant& AValue) {
  TcxValueDef* def = ResolveValueDef(ARecordIndex, AValueDef);
  if (!def)
    return;
  SetValueAt(EnsureBuffer(ARecordIndex) + def->Offset(), def, AValue);
}

void TcxDataStorage::SetValueAt(char* APlace, TcxValueDef* AValueDef, const Variant& AValue) {
  char* place = APlace;
  TcxValueDef* def = AValueDef;
  bool pooled = IsPooledText(def);
  if (VarIsNull(AValue)) {
    if (place[0]) {
      if (pooled)
        FreePooledText(place + 1);
      else
        def->ValueTypeClass()->FreeBuffer(place + 1);
      std::memset(place + 1, 0, std::size_t(def->DataSize()));
    }
    place[0] = 0;
    return;
  }
  // The flag follows the conversion: a value that cannot be converted must not leave an assigned garbage
  // place.
  if (pooled)
    SetPooledText(place + 1, VarType(AValue) == varString ? AValue.RawString() : VarToStr(AValue));
  else
    def->ValueTypeClass()->SetValue(place + 1, AValue);
  place[0] = 1;
}

bool TcxDataStorage::IsPooledText(const TcxValueDef* ADef) {
  return ADef->ValueTypeClass() == TcxStringValueType::Instance();
}

// Text cells of the plain string type come from the record heap: a million short texts then cost their
// strings, not a heap header and rounding each. Other types keep their own cells, since their Free/SetValue
// may be overridden.
void TcxDataStorage::SetPooledText(char* P, AnsiString AText) {
  if (AnsiString* cell = CellOf<AnsiString>(P)) {
    *cell = std::move(AText);
    return;
  }
  char* memory = FHeap->AllocateCell(int(sizeof(AnsiString)));
  StoreAt(P, new (memory) AnsiString(std::move(AText)));
}

void TcxDataStorage::FreePooledText(char* P) {
  if (AnsiString* cell = CellOf<AnsiString>(P)) {
    cell->~AnsiString();
    FHeap->Free(reinterpret_cast<char*>(cell));
    StoreAt<AnsiString*>(P, nullptr);
  }
}

AnsiString TcxDataStorage::GetDisplayText(int ARecordIndex, TcxValueDef* AValueDef) {
  TcxValueDef* def = ResolveValueDef(ARecordIndex, AValueDef);
  if (!def)
    return AnsiString();
  char* buffer = BufferSlot(ARecordIndex);
  if (!buffer)
    return AnsiString();
  char* place = buffer + def->Offset();
  if (def->TextStored())
    return def->ValueTypeClass()->GetTextFromBuffer(place + 1 + def->DataSize());
  if (place[0])
    return def->ValueTypeClass()->GetDisplayText(place + 1);
  return AnsiString();
}

void TcxDataStorage::SetDisplayText(int ARecordIndex, TcxValueDef* AValueDef, const AnsiString& AText) {
  TcxValueDef* def = ResolveValueDef(ARecordIndex, AValueDef);
  if (!def || !def->TextStored())
    return;
  char* place = EnsureBuffer(ARecordIndex) + def->Offset();
  def->ValueTypeClass()->SetTextToBuffer(place + 1 + def->DataSize(), AText);
}

bool TcxDataStorage::GetValuePointer(int ARecordIndex, TcxValueDef* AValueDef, void*& P) {
  P = nullptr;
  TcxValueDef* def = ResolveValueDef(ARecordIndex, AValueDef);
  if (!def)
    return true;
  char* buffer = BufferSlot(ARecordIndex);
  if (!buffer)
    return true;
  char* place = buffer + def->Offset();
  P = place + 1;
  def->ValueTypeClass()->PrepareValueBuffer(P);
  return place[0] == 0;
}

int TcxDataStorage::CompareRecords(int ARecordIndex1, int ARecordIndex2, TcxValueDef* AValueDef) {
  char* b1 = BufferSlot(ARecordIndex1);
  char* b2 = BufferSlot(ARecordIndex2);
  if (!b1 || !b2)
    return b1 ? 1 : (b2 ? -1 : 0);
  TcxValueDef* d1 = ResolveValueDef(ARecordIndex1, AValueDef);
  TcxValueDef* d2 = ResolveValueDef(ARecordIndex2, AValueDef);
  if (!d1 || !d2)
    return 0;
  char* p1 = b1 + d1->Offset();
  char* p2 = b2 + d2->Offset();
  if (!p1[0] || !p2[0])
    return p1[0] ? 1 : (p2[0] ? -1 : 0);
  return d1->ValueTypeClass()->CompareData(p1 + 1, p2 + 1);
}

int TcxDataStorage::GetRecordID(int ARecordIndex) {
  char* buffer = BufferSlot(ARecordIndex);
  if (!buffer || !FUseRecordID)
    return 0;
  return Load<std::int32_t>(buffer + 1);
}

void TcxDataStorage::SetRecordID(int ARecordIndex, int AID) {
  if (!FUseRecordID)
    return;
  StoreAt<std::int32_t>(EnsureBuffer(ARecordIndex) + 1, AID);
}

void TcxDataStorage::ReadRecord(int ARecordIndex, TcxValueDefReader* AReader, bool APartial) {
  char* buffer = EnsureBuffer(ARecordIndex);
  // The record's own definitions need no resolving: each has its place in this buffer, or none.
  TcxValueDefs* defs = GetValueDefsByRecordIndex(ARecordIndex);
  for (int i = 0; i < defs->Count(); ++i) {
    TcxValueDef* def = defs->Items(i);
    if (APartial && AReader->IsSkippable(def))
      continue;
    if (def->BufferSize() == 0)
      continue;
    if (const Variant* value = AReader->PeekValue(def))
      SetValueAt(buffer + def->Offset(), def, *value);
    else
      SetValueAt(buffer + def->Offset(), def, AReader->GetValue(def));
    if (def->TextStored())
      SetDisplayText(ARecordIndex, def, AReader->GetDisplayText(def));
  }
}

void TcxDataStorage::ForEachValueDef(int ARecordIndex, TcxValueDefProc AProc, void* AData) {
  TcxValueDefs* defs = GetValueDefsByRecordIndex(ARecordIndex);
  for (int i = 0; i < defs->Count(); ++i)
    AProc(ARecordIndex, defs->Items(i), AData);
}

void TcxDataStorage::Clear(bool AKeepInternalRecords) {
  if (!AKeepInternalRecords)
    ClearInternalRecords();
  ClearRecords(true);
}

void TcxDataStorage::ClearInternalRecords() {
  for (std::size_t k = 0; k < FInternalRecords.size(); ++k)
    FreeRecord(-int(k) - 1);
  FInternalRecords.clear();
  if (OnClearInternalRecords.Assigned() && !FDestroying)
    OnClearInternalRecords(this);
}

void TcxDataStorage::ClearRecords(bool AClearList) {
  ReleaseRegularBuffers();
  if (AClearList)
    FRecords.clear();
  AssignRecordIDs();
}

void TcxDataStorage::ReleaseRegularBuffers() {
  for (int i = 0; i < RecordCount(); ++i)
    FreeRecord(i);
}

void TcxDataStorage::AssignRecordIDs() {
  if (FRecords.empty())
    FNextRecordID = 1;
  for (int i = 0; i < RecordCount(); ++i)
    AssignRecordID(i);
}

// Both setters release the regular buffers before the layout changes and hand out IDs only after it, so that
// no buffer of the old size is read or written with the new layout.
void TcxDataStorage::SetStoredValuesOnly(bool AValue) {
  if (FStoredValuesOnly == AValue)
    return;
  ReleaseRegularBuffers();
  FStoredValuesOnly = AValue;
  PrepareValueDefs(FValueDefs);
  AssignRecordIDs();
}

void TcxDataStorage::SetUseRecordID(bool AValue) {
  if (FUseRecordID == AValue)
    return;
  ReleaseRegularBuffers();
  int oldHeader = HeaderSize();
  FUseRecordID = AValue;
  int newHeader = HeaderSize();
  // Internal records are in use by their owners and keep their values: their data moves behind the new
  // header.
  int oldSize = FInternalValueDefs->RecordSize();
  for (char*& buffer : FInternalRecords) {
    if (!buffer)
      continue;
    char* moved = FHeap->Allocate(oldSize - oldHeader + newHeader);
    moved[0] = buffer[0];
    std::memcpy(moved + newHeader, buffer + oldHeader, std::size_t(oldSize - oldHeader));
    FHeap->Free(buffer);
    buffer = moved;
  }
  PrepareValueDefs(FValueDefs);
  PrepareValueDefs(FInternalValueDefs);
  AssignRecordIDs();
}

std::vector<int> TcxDataStorage::RecordIndexesOf(TcxValueDefs* AValueDefs) const {
  std::vector<int> indexes;
  if (AValueDefs == FInternalValueDefs) {
    for (std::size_t k = 0; k < FInternalRecords.size(); ++k)
      if (FInternalRecords[k])
        indexes.push_back(-int(k) - 1);
  } else {
    for (std::size_t i = 0; i < FRecords.size(); ++i)
      if (FRecords[i])
        indexes.push_back(int(i));
  }
  return indexes;
}

void TcxDataStorage::InsertValueDef(int AIndex, TcxValueDef* AValueDef) {
  TcxValueDefs* defs = AValueDef->ValueDefs();
  if (defs == FValueDefs)
    FInternalValueDefs->Add(AValueDef->ValueTypeClass(), true, AValueDef->TextStored(), AValueDef);
  int size = AValueDef->BufferSize();
  if (size == 0)
    return;
  int at = AIndex < defs->Count() ? defs->FItems[std::size_t(AIndex)]->Offset() : defs->RecordSize();
  int oldSize = defs->RecordSize();
  for (int index : RecordIndexesOf(defs)) {
    char*& buffer = BufferSlot(index);
    buffer = FHeap->Resize(buffer, oldSize + size);
    std::memmove(buffer + at + size, buffer + at, std::size_t(oldSize - at));
    std::memset(buffer + at, 0, std::size_t(size));
  }
}

void TcxDataStorage::RemoveValueDef(TcxValueDef* AValueDef) {
  TcxValueDefs* defs = AValueDef->ValueDefs();
  if (defs == FValueDefs)
    if (TcxInternalValueDef* twin = FInternalValueDefs->FindByLinkObject(AValueDef))
      twin->Free();
  int size = AValueDef->BufferSize();
  if (size == 0)
    return;
  int storedCount = 0;
  for (TcxValueDef* def : defs->FItems)
    storedCount += def->BufferSize() > 0;
  int oldSize = defs->RecordSize();
  int at = AValueDef->Offset();
  for (int index : RecordIndexesOf(defs)) {
    if (storedCount == 1) {
      // Header flags go with the buffer, so an internal record in use keeps its slot marked.
      char header = BufferSlot(index)[0];
      FreeRecord(index);
      if (index < 0 && (header & 1))
        EnsureBuffer(index)[0] = 1;
      continue;
    }
    char*& buffer = BufferSlot(index);
    FreeValue(buffer, AValueDef);
    std::memmove(buffer + at, buffer + at + size, std::size_t(oldSize - at - size));
    buffer = FHeap->Resize(buffer, oldSize - size);
  }
}

void TcxDataStorage::ChangeLayout(TcxValueDef* AValueDef, bool AOldStored, bool AOldTextStored) {
  TcxValueDefs* defs = AValueDef->ValueDefs();
  bool stored = AValueDef->GetStored();
  if (AOldStored == stored && (!stored || AOldTextStored == AValueDef->FTextStored))
    return;
  // The buffers were laid out for the old flags and cannot be read under the new layout: they are released
  // with the old layout (sizes and offsets are still the old ones until the list is prepared again) and the
  // records stay, empty, as when StoredValuesOnly changes. Internal records in use stay marked.
  bool newTextStored = AValueDef->FTextStored;
  AValueDef->FTextStored = AOldTextStored;
  std::vector<int> inUse;
  for (int index : RecordIndexesOf(defs)) {
    if (index < 0 && (BufferSlot(index)[0] & 1))
      inUse.push_back(index);
    FreeRecord(index);
  }
  AValueDef->FTextStored = newTextStored;
  PrepareValueDefs(defs);
  for (int index : inUse)
    EnsureBuffer(index)[0] |= 1;
}
