#pragma once
// The dataset and field classes that data-aware code reads: field types and kinds, field properties and
// values, and a dataset's field list. A dataset keeps the values of its current record; datasets with real
// record buffers override GetFieldData and SetFieldData.
#include <map>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/rtl/Variants.h"

enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

class EDatabaseError : public Exception {
  using Exception::Exception;
};

class TDataSet;
class TField;
using TFieldGetTextEvent = TEvent<void(TField* Sender, AnsiString& Text, bool DisplayText)>;
using TFieldSetTextEvent = TEvent<void(TField* Sender, const AnsiString& Text)>;

class TField : public TComponent {
  PELVOR_CLASS(TField, TComponent)
public:
  explicit TField(TComponent* AOwner) : TComponent(AOwner) {}
  ~TField() override;

  TDataSet* DataSet() const { return FDataSet; }
  // Moves the field into ADataSet's field list (out of its former dataset's list).
  void SetDataSet(TDataSet* ADataSet);
  TFieldType DataType() const { return FDataType; }
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind AValue) { FFieldKind = AValue; }

  AnsiString FieldName;
  AnsiString Origin;
  AnsiString KeyFields; // the dataset's fields a lookup field reads its key from, ";"-separated
  AnsiString EditMask;
  bool ReadOnly = false;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  // False for a read-only field, one outside a dataset that allows changes, or a calculated one.
  virtual bool CanModify();
  virtual Variant GetAsVariant();
  virtual void SetAsVariant(const Variant& AValue);
  Variant Value() { return GetAsVariant(); }
  void SetValue(const Variant& AValue) { SetAsVariant(AValue); }
  bool IsNull() { return VarIsNull(GetAsVariant()); }
  void SetAsDateTime(TDateTime AValue) { SetAsVariant(Variant::FromDate(AValue)); }

protected:
  TFieldType FDataType = ftUnknown;

private:
  TDataSet* FDataSet = nullptr; // borrowed: the dataset lists the field
  TFieldKind FFieldKind = fkData;
};

#define PELVOR_FIELD(Self, Base, Type)                                                                       \
  class Self : public Base {                                                                                 \
    PELVOR_CLASS(Self, Base)                                                                                 \
  public:                                                                                                    \
    explicit Self(TComponent* AOwner) : Base(AOwner) { FDataType = Type; }                                   \
  };

PELVOR_FIELD(TStringField, TField, ftString)
PELVOR_FIELD(TWideStringField, TStringField, ftWideString)
PELVOR_FIELD(TBooleanField, TField, ftBoolean)
PELVOR_FIELD(TBlobField, TField, ftBlob)
PELVOR_FIELD(TMemoField, TBlobField, ftMemo)
PELVOR_FIELD(TGraphicField, TBlobField, ftGraphic)
PELVOR_FIELD(TVariantField, TField, ftVariant)
PELVOR_FIELD(TBytesField, TField, ftBytes)

// Numbers with the display and edit formats of their text.
class TNumericField : public TField {
  PELVOR_CLASS(TNumericField, TField)
public:
  using TField::TField;
  AnsiString DisplayFormat;
  AnsiString EditFormat;
};
PELVOR_FIELD(TIntegerField, TNumericField, ftInteger)
PELVOR_FIELD(TSmallintField, TIntegerField, ftSmallint)
PELVOR_FIELD(TWordField, TIntegerField, ftWord)
PELVOR_FIELD(TAutoIncField, TIntegerField, ftAutoInc)
PELVOR_FIELD(TLargeintField, TNumericField, ftLargeint)

class TFloatField : public TNumericField {
  PELVOR_CLASS(TFloatField, TNumericField)
public:
  explicit TFloatField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftFloat; }
  bool Currency = false;
};
class TCurrencyField : public TFloatField {
  PELVOR_CLASS(TCurrencyField, TFloatField)
public:
  explicit TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
    FDataType = ftCurrency;
    Currency = true;
  }
};
class TBCDField : public TNumericField {
  PELVOR_CLASS(TBCDField, TNumericField)
public:
  explicit TBCDField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftBCD; }
  bool Currency = false;
};
class TFMTBCDField : public TNumericField {
  PELVOR_CLASS(TFMTBCDField, TNumericField)
public:
  explicit TFMTBCDField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftFMTBcd; }
  bool Currency = false;
};

class TDateTimeField : public TField {
  PELVOR_CLASS(TDateTimeField, TField)
public:
  explicit TDateTimeField(TComponent* AOwner) : TField(AOwner) { FDataType = ftDateTime; }
  AnsiString DisplayFormat;
};
PELVOR_FIELD(TDateField, TDateTimeField, ftDate)
PELVOR_FIELD(TTimeField, TDateTimeField, ftTime)

class TSQLTimeStampField : public TField {
  PELVOR_CLASS(TSQLTimeStampField, TField)
public:
  explicit TSQLTimeStampField(TComponent* AOwner) : TField(AOwner) { FDataType = ftTimeStamp; }
  AnsiString DisplayFormat;
};

// A summary the dataset computes; its value is the dataset's, never a record's.
class TAggregateField : public TField {
  PELVOR_CLASS(TAggregateField, TField)
public:
  explicit TAggregateField(TComponent* AOwner) : TField(AOwner) { SetFieldKind(fkAggregate); }
  Variant GetAsVariant() override { return AggregateValue; }
  AnsiString DisplayFormat;
  bool Currency = false;
  Variant AggregateValue;
};
#undef PELVOR_FIELD

class TDataSet : public TComponent {
  PELVOR_CLASS(TDataSet, TComponent)
public:
  explicit TDataSet(TComponent* AOwner) : TComponent(AOwner) {}
  ~TDataSet() override;

  int FieldCount() const { return int(FFields.size()); }
  TField* Fields(int AIndex) const { return FFields.at(std::size_t(AIndex)); }
  // Case-insensitive; nullptr when the dataset has no such field.
  TField* FindField(const AnsiString& AFieldName) const;
  // As FindField, but a missing field raises EDatabaseError.
  TField* FieldByName(const AnsiString& AFieldName) const;

  virtual bool CanModify() { return !ReadOnly; }
  // The value of AField in the current record; Null when it has none.
  virtual Variant GetFieldData(TField* AField);
  virtual void SetFieldData(TField* AField, const Variant& AValue);

  bool ReadOnly = false;

private:
  friend class TField;
  std::vector<TField*> FFields; // borrowed: a field's owner frees it and it leaves the list then
  std::map<const TField*, Variant> FCurrentRecord;
};
