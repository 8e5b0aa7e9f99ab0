#pragma once
// Fields: a named, typed column of a dataset's current record, its text forms and its lookup binding.
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Variants.h"

class TDataSet;
class TField;
using TFieldGetTextEvent = TEvent<void(TField* Sender, AnsiString& Text, bool DisplayText)>;
using TFieldSetTextEvent = TEvent<void(TField* Sender, const AnsiString& Text)>;
using TFieldNotifyEvent = TEvent<void(TField* Sender)>;

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
  // The column of the dataset's record that holds the value, from 1; 0 for a field the dataset computes.
  int FieldNo() const { return FFieldNo; }
  // The position in the dataset's field list, -1 outside one.
  int Index() const;
  bool Lookup() const { return FFieldKind == fkLookup; }
  bool Calculated() const { return FFieldKind == fkCalculated || FFieldKind == fkInternalCalc; }
  // Large values kept apart from the record in most databases: binary data, memos, pictures.
  bool IsBlob() const;
  AnsiString DisplayLabel() const { return FDisplayLabel.empty() ? FieldName : FDisplayLabel; }
  void SetDisplayLabel(const AnsiString& AValue) { FDisplayLabel = AValue; }

  AnsiString FieldName;
  AnsiString Origin;
  // The dataset's fields a lookup field reads its key from, ";"-separated.
  AnsiString KeyFields;
  AnsiString LookupKeyFields; // the lookup dataset's fields matched against KeyFields
  AnsiString LookupResultField;
  AnsiString EditMask;
  int Size = 0;
  bool ReadOnly = false;
  bool Required = false;
  bool Visible = true;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnChange;
  // Called before a new value is stored; a handler that raises keeps the old value.
  TFieldNotifyEvent OnValidate;

  TDataSet* LookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* AValue);

  // False for a read-only field, one outside a dataset that allows changes, or a calculated one.
  virtual bool CanModify();
  virtual Variant GetAsVariant();
  virtual void SetAsVariant(const Variant& AValue);
  Variant Value() { return GetAsVariant(); }
  void SetValue(const Variant& AValue) { SetAsVariant(AValue); }
  // The value the record has in its storage, before the edit in progress.
  Variant OldValue();
  bool IsNull() { return VarIsNull(GetAsVariant()); }
  // Whether the value is only the nearest the dataset could keep of what its source holds: a text with
  // characters the code page lacks or that was no valid UTF-8, a number the field's type holds only nearly.
  // It is shown as it is, but the dataset refuses to change it, as the change would store the approximation
  // over the original.
  bool IsApproximate() const;
  void Clear() { SetAsVariant(Null); }

  AnsiString AsString();
  void SetAsString(const AnsiString& AValue);
  int AsInteger();
  void SetAsInteger(int AValue) { SetAsVariant(AValue); }
  std::int64_t AsLargeInt();
  double AsFloat();
  void SetAsFloat(double AValue) { SetAsVariant(AValue); }
  bool AsBoolean();
  void SetAsBoolean(bool AValue) { SetAsVariant(AValue); }
  TDateTime AsDateTime();
  void SetAsDateTime(TDateTime AValue) { SetAsVariant(Variant::FromDate(AValue)); }

  // The text shown in a control (DisplayText) and the text edited in it (Text); OnGetText decides when
  // assigned. SetText goes through OnSetText when assigned, else parses the text for the field's type.
  AnsiString DisplayText() { return TextOf(true); }
  AnsiString Text() { return TextOf(false); }
  void SetText(const AnsiString& AText);
  // Asks the controls bound to the field to take the focus.
  void FocusControl();

  // The value converted to the field's type; EDatabaseError names the field when it does not convert.
  virtual Variant ConvertValue(const Variant& AValue);

  void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
  // The type's own text of a non-null value.
  virtual AnsiString FormatText(const Variant& AValue, bool ADisplayText);
  virtual void ParseText(const AnsiString& AText);
  [[noreturn]] void ConvertError(const Variant& AValue);
  bool HoldsRealOfNoInteger(const Variant& AValue) const;

  TFieldType FDataType = ftUnknown;

private:
  friend class TDataSet;
  AnsiString TextOf(bool ADisplayText);
  AnsiString TextOfValue(const Variant& AValue, bool ADisplayText);

  TDataSet* FDataSet = nullptr;       // borrowed: the dataset lists the field
  TDataSet* FLookupDataSet = nullptr; // borrowed, with a free notification
  TFieldKind FFieldKind = fkData;
  int FFieldNo = 0;
  AnsiString FDisplayLabel;
};

#define PELVOR_FIELD(Self, Base, Type)                                                                       \
  class Self : public Base {                                                                                 \
    PELVOR_CLASS(Self, Base)                                                                                 \
  public:                                                                                                    \
    explicit Self(TComponent* AOwner) : Base(AOwner) { FDataType = Type; }                                   \
  };

class TStringField : public TField {
  PELVOR_CLASS(TStringField, TField)
public:
  explicit TStringField(TComponent* AOwner) : TField(AOwner) { FDataType = ftString; }
  Variant ConvertValue(const Variant& AValue) override;
};
PELVOR_FIELD(TWideStringField, TStringField, ftWideString)

class TBooleanField : public TField {
  PELVOR_CLASS(TBooleanField, TField)
public:
  explicit TBooleanField(TComponent* AOwner) : TField(AOwner) { FDataType = ftBoolean; }
  // The texts for True and False, separated by ";".
  AnsiString DisplayValues = "True;False";
  Variant ConvertValue(const Variant& AValue) override;

protected:
  AnsiString FormatText(const Variant& AValue, bool ADisplayText) override;
  void ParseText(const AnsiString& AText) override;
};

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
  Variant ConvertValue(const Variant& AValue) override;

protected:
  AnsiString FormatText(const Variant& AValue, bool ADisplayText) override;
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

protected:
  AnsiString FormatText(const Variant& AValue, bool ADisplayText) override;
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
  Variant ConvertValue(const Variant& AValue) override;

protected:
  AnsiString FormatText(const Variant& AValue, bool ADisplayText) override;
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

// Whether AValue is a real that no integer equals: a fraction, an infinity, or a number past the 64-bit
// integers. An integer field may hold one, as a database column may; it keeps it, reads it as its text and
// refuses it where the field's integer is asked for, rather than round it.
bool IsRealOfNoInteger(const Variant& AValue);
bool IsIntegerFieldType(TFieldType AType);

// The error text for a value of AField that cannot be read as AWhat ("a number"): the value, the field and,
// when the dataset stands on one, the record.
AnsiString UnreadableValueMessage(TField* AField, const Variant& AValue, const AnsiString& AWhat);

// A new field of the class that keeps values of AType, owned by AOwner.
TField* CreateField(TFieldType AType, TComponent* AOwner);
