#pragma once
// Value types (how one data type lives in a record buffer), value definitions (the layout of a record) and
// the record storage of the data controller.
//
// Sizes on this platform: cell places, text slots and object references are pointer-sized (8 bytes on a
// 64-bit build), so a String value takes 1 + 8 bytes and a kept display text 8 more; in-place values keep
// their natural sizes (Integer 4, Float 8, FMTBcd 34, SQL time stamp 16). The record header is 1 byte, or 5
// with record IDs.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/classes/Events.h"
#include "platform/classes/Object.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Variants.h"

class TcxValueType;
namespace cxdata {
class TRecordHeap;
}
// Value types are never instantiated by users: each class has one stateless instance, and a class reference
// is a pointer to it.
using TcxValueTypeClass = const TcxValueType*;

class TcxValueType : public TObject {
  PELVOR_CLASS(TcxValueType, TObject)
public:
  static TcxValueTypeClass Instance();

  virtual int CompareData(void* P1, void* P2) const;
  virtual void FreeBuffer(void* P) const { (void)P; }
  virtual void FreeTextBuffer(void* ATextSlot) const;
  virtual int GetDataSize() const { return 0; }
  virtual Variant GetValue(void* P) const;
  virtual AnsiString GetDisplayText(void* P) const;
  virtual AnsiString GetTextFromBuffer(void* ATextSlot) const;
  virtual void ReadValue(void* P, TStream* AStream) const;
  virtual void ReadText(void* ATextSlot, TStream* AStream) const;
  // Converts first and writes only then, so a value that cannot be converted leaves the place untouched.
  virtual void SetValue(void* P, const Variant& AValue) const { (void)P, (void)AValue; }
  virtual void SetTextToBuffer(void* ATextSlot, const AnsiString& AText) const;
  virtual void WriteValue(void* P, TStream* AStream) const;
  virtual void WriteText(void* ATextSlot, TStream* AStream) const;
  AnsiString GetTypeName() const;
  virtual int Compare(void* D1, void* D2) const;
  virtual Variant GetDataValue(void* D) const { return GetValue(D); }
  virtual TVarType GetVarType() const { return varVariant; }
  virtual bool IsValueValid(const Variant& AValue) const;
  virtual bool IsString() const { return false; }
  virtual void PrepareValueBuffer(void*& P) const { (void)P; }

protected:
  TcxValueType() = default;
};

#define PELVOR_VALUE_TYPE(Self, Base)                                                                        \
  PELVOR_CLASS(Self, Base)                                                                                   \
public:                                                                                                      \
  static TcxValueTypeClass Instance();                                                                       \
                                                                                                             \
protected:                                                                                                   \
  Self() = default;                                                                                          \
                                                                                                             \
public:

// Cell types keep a pointer to a separately allocated cell in their place; nil until the first value.
class TcxStringValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxStringValueType, TcxValueType)
  int CompareData(void* P1, void* P2) const override;
  void FreeBuffer(void* P) const override;
  int GetDataSize() const override { return int(sizeof(void*)); }
  Variant GetValue(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  Variant GetDataValue(void* D) const override;
  TVarType GetVarType() const override { return varString; }
  bool IsString() const override { return true; }
  void PrepareValueBuffer(void*& P) const override;
};
class TcxWideStringValueType : public TcxStringValueType {
  PELVOR_VALUE_TYPE(TcxWideStringValueType, TcxStringValueType)
  void FreeBuffer(void* P) const override;
  Variant GetValue(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  Variant GetDataValue(void* D) const override;
  TVarType GetVarType() const override { return varOleStr; }
};
class TcxSmallintValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxSmallintValueType, TcxValueType)
  int GetDataSize() const override { return 2; }
  Variant GetValue(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override { return varSmallint; }
};
class TcxIntegerValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxIntegerValueType, TcxValueType)
  int GetDataSize() const override { return 4; }
  Variant GetValue(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override { return varInteger; }
};
class TcxWordValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxWordValueType, TcxValueType)
  int GetDataSize() const override { return 2; }
  Variant GetValue(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override { return varWord; }
};
class TcxBooleanValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxBooleanValueType, TcxValueType)
  int GetDataSize() const override { return 1; }
  Variant GetValue(void* P) const override;
  AnsiString GetDisplayText(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override { return varBoolean; }
};
class TcxFloatValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxFloatValueType, TcxValueType)
  int GetDataSize() const override { return 8; }
  Variant GetValue(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override { return varDouble; }
};
class TcxCurrencyValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxCurrencyValueType, TcxValueType)
  int GetDataSize() const override { return 8; }
  Variant GetValue(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override { return varCurrency; }
};
class TcxDateTimeValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxDateTimeValueType, TcxValueType)
  int GetDataSize() const override { return 8; }
  Variant GetValue(void* P) const override;
  AnsiString GetDisplayText(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override { return varDate; }
};
class TcxLargeIntValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxLargeIntValueType, TcxValueType)
  int GetDataSize() const override { return 8; }
  Variant GetValue(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override { return varInt64; }
};
class TcxFMTBcdValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxFMTBcdValueType, TcxValueType)
  int GetDataSize() const override { return 34; }
  Variant GetValue(void* P) const override;
  AnsiString GetDisplayText(void* P) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override;
};
class TcxSQLTimeStampValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxSQLTimeStampValueType, TcxValueType)
  int GetDataSize() const override { return 16; }
  Variant GetValue(void* P) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  int Compare(void* D1, void* D2) const override;
  TVarType GetVarType() const override;
};
class TcxVariantValueType : public TcxValueType {
  PELVOR_VALUE_TYPE(TcxVariantValueType, TcxValueType)
  int CompareData(void* P1, void* P2) const override;
  void FreeBuffer(void* P) const override;
  int GetDataSize() const override { return int(sizeof(void*)); }
  Variant GetValue(void* P) const override;
  void SetValue(void* P, const Variant& AValue) const override;
  int Compare(void* D1, void* D2) const override;
  Variant GetDataValue(void* D) const override;
  void PrepareValueBuffer(void*& P) const override;
};
// Keeps an object reference, which it owns: freeing the value frees the object. References are pointer-sized
// here, so values go in and out as 64-bit integers although the declared variant type stays varInteger.
class TcxObjectValueType : public TcxIntegerValueType {
  PELVOR_VALUE_TYPE(TcxObjectValueType, TcxIntegerValueType)
  void FreeBuffer(void* P) const override;
  int GetDataSize() const override { return int(sizeof(void*)); }
  Variant GetValue(void* P) const override;
  void ReadValue(void* P, TStream* AStream) const override { (void)P, (void)AStream; }
  void SetValue(void* P, const Variant& AValue) const override;
  void WriteValue(void* P, TStream* AStream) const override { (void)P, (void)AStream; }
  int Compare(void* D1, void* D2) const override;
};
#undef PELVOR_VALUE_TYPE

class TcxValueTypeClassList {
public:
  void Register(TcxValueTypeClass AValueTypeClass);
  void Unregister(TcxValueTypeClass AValueTypeClass);
  int Count() const { return int(FItems.size()); }
  TcxValueTypeClass Items(int AIndex) const { return FItems.at(std::size_t(AIndex)); }
  // nullptr when no registered type has that name (as GetTypeName gives it).
  TcxValueTypeClass ItemByTypeName(const AnsiString& ATypeName) const;

private:
  std::vector<TcxValueTypeClass> FItems;
};
TcxValueTypeClassList* GetValueTypeClassList();
// Unit start-up and shut-down: register the fourteen value types in order, and undo that.
void cxDataStorageInitialize();
void cxDataStorageFinalize();

struct TcxLookupListItem {
  Variant KeyValue;
  AnsiString DisplayText;
};

// Key to text, kept in ascending key order by VarCompare.
class TcxLookupList : public TObject {
  PELVOR_CLASS(TcxLookupList, TObject)
public:
  TcxLookupList() = default;
  ~TcxLookupList() override { Clear(); }
  void Clear() { FItems.clear(); }
  bool Find(const Variant& AKeyValue, int& AIndex) const;
  void Insert(int AIndex, const Variant& AKeyValue, const AnsiString& ADisplayText);
  const TcxLookupListItem& GetItem(int AIndex) const { return *FItems.at(std::size_t(AIndex)); }
  int Count() const { return int(FItems.size()); }

private:
  std::vector<std::unique_ptr<TcxLookupListItem>> FItems;
};

class TcxDataStorage;
class TcxValueDefs;

class TcxValueDef : public TObject {
  PELVOR_CLASS(TcxValueDef, TObject)
public:
  using TCreateArgs = std::tuple<TcxValueDefs*, TcxValueTypeClass>;
  TcxValueDef(TcxValueDefs* AValueDefs, TcxValueTypeClass AValueTypeClass);
  // Removes the definition from its list and the records' buffers.
  ~TcxValueDef() override;

  virtual TObject* GetLinkObject() { return FLinkObject; }
  virtual bool GetStored();
  virtual void SetLinkObject(TObject* AValue) { FLinkObject = AValue; }
  virtual void Assign(TcxValueDef* ASource);

  int BufferSize() const { return FBufferSize; }
  int DataSize() const { return FDataSize; }
  int Offset() const { return FOffset; }
  bool Stored() const { return FStored; }
  void SetStored(bool AValue);
  bool TextStored() const { return FTextStored; }
  void SetTextStored(bool AValue);
  bool IsNeedConversion = true; // for the data controller's use
  TcxValueTypeClass ValueTypeClass() const { return FValueTypeClass; }
  TcxValueDefs* ValueDefs() const { return FValueDefs; }

private:
  friend class TcxValueDefs;
  friend class TcxDataStorage;
  friend class TcxInternalValueDef;
  int FBufferSize = 0;
  int FDataSize = 0;
  bool FStored = true;
  TObject* FLinkObject = nullptr; // borrowed
  int FOffset = 0;
  bool FTextStored = false;
  TcxValueDefs* FValueDefs;
  TcxValueTypeClass FValueTypeClass;
};

// The twin of a regular definition in the layout of internal records; its link is the regular definition.
class TcxInternalValueDef : public TcxValueDef {
  PELVOR_CLASS(TcxInternalValueDef, TcxValueDef)
public:
  using TcxValueDef::TcxValueDef;
  TObject* GetLinkObject() override;
  bool GetStored() override { return true; }
  TcxValueDef* RegularDef() const { return static_cast<TcxValueDef*>(FLinkObject); }
};

class TcxValueDefs : public TObject {
  PELVOR_CLASS(TcxValueDefs, TObject)
public:
  using TCreateArgs = std::tuple<TcxDataStorage*>;
  explicit TcxValueDefs(TcxDataStorage* ADataStorage);
  ~TcxValueDefs() override;

  virtual void Changed(TcxValueDef* AValueDef, bool AStructureChanged);
  virtual TClass GetValueDefClass() { return ClassOf<TcxValueDef>(); }
  virtual void Prepare(int AStartOffset);

  TcxValueDef* Add(TcxValueTypeClass AValueTypeClass, bool AStored, bool ATextStored, TObject* ALinkObject);
  int Count() const;
  TcxValueDef* Items(int AIndex) const;
  int IndexOf(const TcxValueDef* AValueDef) const;
  int RecordSize() const { return FRecordSize; }
  TcxDataStorage* DataStorage() const { return FDataStorage; }
  bool IsInternal() const;

protected:
  friend class TcxValueDef;
  friend class TcxDataStorage;
  TcxDataStorage* FDataStorage;
  std::vector<TcxValueDef*> FItems; // owned
  int FStartOffset = 0;
  int FRecordSize = 0;
};

class TcxInternalValueDefs : public TcxValueDefs {
  PELVOR_CLASS(TcxInternalValueDefs, TcxValueDefs)
public:
  using TcxValueDefs::TcxValueDefs;
  TClass GetValueDefClass() override { return ClassOf<TcxInternalValueDef>(); }
  // The twin of a regular definition, nullptr when it has none.
  TcxInternalValueDef* FindByLinkObject(const TcxValueDef* AValueDef) const;
};

// Feeds ReadRecord; the dataset binding supplies a descendant.
class TcxValueDefReader : public TObject {
  PELVOR_CLASS(TcxValueDefReader, TObject)
public:
  TcxValueDefReader() = default;
  virtual AnsiString GetDisplayText(TcxValueDef* AValueDef) {
    (void)AValueDef;
    return AnsiString();
  }
  virtual Variant GetValue(TcxValueDef* AValueDef) {
    (void)AValueDef;
    return Null;
  }
  virtual bool IsSkippable(TcxValueDef* AValueDef) {
    (void)AValueDef;
    return false;
  }
  // The value where the source keeps it, read in place instead of copied out through GetValue; nullptr
  // when the source has no such place for it.
  virtual const Variant* PeekValue(TcxValueDef* AValueDef) {
    (void)AValueDef;
    return nullptr;
  }
};

using TcxValueDefProc = void (*)(int ARecordIndex, TcxValueDef* AValueDef, void* AData);

class TcxDataStorage : public TObject {
  PELVOR_CLASS(TcxDataStorage, TObject)
public:
  TcxDataStorage();
  ~TcxDataStorage() override;
  void BeforeDestruction() override;

  virtual void PrepareValueDefs(TcxValueDefs* AValueDefs);
  virtual void ValueDefsChanged(TcxValueDef* AValueDef, bool AStructureChanged);
  virtual TcxValueDefs* GetValueDefsByRecordIndex(int ARecordIndex);

  int AppendRecord();
  void InsertRecord(int ARecordIndex);
  int AddInternalRecord();
  void DeleteRecord(int ARecordIndex);
  // Deletes regular records given in ascending order without duplicates, compacting the list once.
  void DeleteRecords(const std::vector<int>& ASortedIndexes);
  int RecordCount() const { return int(FRecords.size()); }
  void SetRecordCount(int AValue);
  Variant GetValue(int ARecordIndex, TcxValueDef* AValueDef);
  void SetValue(int ARecordIndex, TcxValueDef* AValueDef, const Variant& AValue);
  AnsiString GetDisplayText(int ARecordIndex, TcxValueDef* AValueDef);
  void SetDisplayText(int ARecordIndex, TcxValueDef* AValueDef, const AnsiString& AText);
  // True when the value is Null; P is then nullptr when the record has no buffer.
  bool GetValuePointer(int ARecordIndex, TcxValueDef* AValueDef, void*& P);
  int CompareRecords(int ARecordIndex1, int ARecordIndex2, TcxValueDef* AValueDef);
  int GetRecordID(int ARecordIndex);
  void SetRecordID(int ARecordIndex, int AID);
  void ReadRecord(int ARecordIndex, TcxValueDefReader* AReader, bool APartial);
  void ForEachValueDef(int ARecordIndex, TcxValueDefProc AProc, void* AData);
  void Clear(bool AKeepInternalRecords);
  void ClearInternalRecords();
  void ClearRecords(bool AClearList);
  void BeginLoad() {}
  void EndLoad() {}

  bool StoredValuesOnly() const { return FStoredValuesOnly; }
  void SetStoredValuesOnly(bool AValue);
  bool UseRecordID() const { return FUseRecordID; }
  void SetUseRecordID(bool AValue);
  TcxValueDefs* ValueDefs() const { return FValueDefs; }
  TcxInternalValueDefs* InternalValueDefs() const { return FInternalValueDefs; }
  const std::vector<TcxValueDef*>* ValueDefsList = nullptr; // borrowed
  TNotifyEvent OnClearInternalRecords;

  int InternalRecordCount() const { return int(FInternalRecords.size()); }
  // The buffer of a record, nullptr when none was allocated; for layout checks and fast readers.
  const char* RecordBuffer(int ARecordIndex) const {
    if (ARecordIndex >= 0 && std::size_t(ARecordIndex) < FRecords.size())
      return FRecords[std::size_t(ARecordIndex)];
    return OtherRecordBuffer(ARecordIndex);
  }
  int HeaderSize() const { return FUseRecordID ? 5 : 1; }
  // Bytes the record heap holds from the allocator, now and at most since the last ResetPeakHeldBytes.
  std::size_t HeldBytes() const;
  std::size_t PeakHeldBytes() const;
  void ResetPeakHeldBytes();

private:
  friend class TcxValueDefs;
  friend class TcxValueDef;
  char*& BufferSlot(int ARecordIndex);
  const char* OtherRecordBuffer(int ARecordIndex) const;
  char* EnsureBuffer(int ARecordIndex);
  TcxValueDef* ResolveValueDef(int ARecordIndex, TcxValueDef* AValueDef);
  void FreeRecord(int ARecordIndex);
  void FreeValue(char* ABuffer, TcxValueDef* AValueDef);
  static bool IsPooledText(const TcxValueDef* ADef);
  void SetPooledText(char* P, AnsiString AText);
  // Stores AValue at APlace, the flag byte of AValueDef's place in a record buffer.
  void SetValueAt(char* APlace, TcxValueDef* AValueDef, const Variant& AValue);
  void FreePooledText(char* P);
  void AssignRecordID(int ARecordIndex);
  void AssignRecordIDs();
  void ReleaseRegularBuffers();
  void InsertValueDef(int AIndex, TcxValueDef* AValueDef);
  void RemoveValueDef(TcxValueDef* AValueDef);
  void ChangeLayout(TcxValueDef* AValueDef, bool AOldStored, bool AOldTextStored);
  std::vector<int> RecordIndexesOf(TcxValueDefs* AValueDefs) const;

  bool FDestroying = false;
  std::unique_ptr<cxdata::TRecordHeap> FHeap; // every record buffer comes from here
  std::vector<char*> FInternalRecords;        // owned buffers; slot k is record -(k+1)
  TcxInternalValueDefs* FInternalValueDefs;
  bool FStoredValuesOnly = false;
  std::vector<char*> FRecords; // owned buffers
  int FNextRecordID = 1;
  bool FUseRecordID = false;
  TcxValueDefs* FValueDefs;
};
