#include "platform/db/DBFields.h"

#include <algorithm>
#include <cmath>

#include "platform/db/DBDataSet.h"
#include "platform/rtl/FloatText.h"

TField::~TField() {
  SetLookupDataSet(nullptr);
  SetDataSet(nullptr);
}

void TField::SetDataSet(TDataSet* ADataSet) {
  if (FDataSet == ADataSet)
    return;
  if (ADataSet && ADataSet->Active())
    throw EDatabaseError("Cannot add field '" + FieldName + "' to an open dataset");
  if (FDataSet) {
    std::erase(FDataSet->FFields, this);
    std::erase(FDataSet->FAggFields, this);
    std::erase(FDataSet->FDefaultFields, this);
    FDataSet->FLooseRecord.erase(this);
  }
  FDataSet = ADataSet;
  FFieldNo = 0;
  if (FDataSet)
    (FFieldKind == fkAggregate ? FDataSet->FAggFields : FDataSet->FFields).push_back(this);
}

int TField::Index() const {
  if (!FDataSet)
    return -1;
  auto it = std::find(FDataSet->FFields.begin(), FDataSet->FFields.end(), this);
  return it == FDataSet->FFields.end() ? -1 : int(it - FDataSet->FFields.begin());
}

void TField::SetLookupDataSet(TDataSet* AValue) {
  if (FLookupDataSet == AValue)
    return;
  if (FLookupDataSet)
    RemoveFreeNotification(FLookupDataSet);
  FLookupDataSet = AValue;
  if (FLookupDataSet)
    FreeNotification(FLookupDataSet);
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FLookupDataSet)
    FLookupDataSet = nullptr;
  TComponent::Notification(AComponent, Operation);
}

bool TField::IsBlob() const {
  switch (FDataType) {
  case ftBlob:
  case ftMemo:
  case ftGraphic:
  case ftFmtMemo:
  case ftParadoxOle:
  case ftDBaseOle:
  case ftTypedBinary:
  case ftOraBlob:
  case ftOraClob:
    return true;
  default:
    return false;
  }
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

Variant TField::OldValue() {
  if (!FDataSet)
    return Null;
  TDataSet* ds = FDataSet;
  if (!ds->Active() || FFieldNo <= 0 || ds->FRecordCount == 0)
    return GetAsVariant();
  const TRecordSlot& slot = ds->FBuffers[std::size_t(ds->FActiveRecord)];
  return slot.Row < 0 ? Null : ds->GetRowValue(slot.Row, FFieldNo);
}

bool TField::IsApproximate() const {
  if (!FDataSet)
    return false;
  const std::int64_t row = FDataSet->RowOfField(this);
  return row >= 0 && FDataSet->RowValueApproximate(row, FFieldNo);
}

AnsiString TField::AsString() {
  Variant v = GetAsVariant();
  return VarIsNull(v) ? AnsiString() : TextOfValue(v, false);
}

void TField::SetAsString(const AnsiString& AValue) {
  ParseText(AValue);
}

namespace {

// A value as an error message quotes it; one without a text is named by its type.
AnsiString QuotedText(const Variant& AValue) {
  try {
    return MessageExcerpt(VarToStr(AValue));
  } catch (const Exception&) {
    return VarTypeAsText(VarType(AValue));
  }
}

// Reads a value in another type; a value that does not convert names the field in the error.
template <class T, class F> T ReadAs(TField* AField, const char* AWhat, F AConvert) {
  Variant v = AField->GetAsVariant();
  if (VarIsNull(v) || VarIsEmpty(v))
    return T();
  try {
    return AConvert(v);
  } catch (const Exception&) {
    throw EDatabaseError(UnreadableValueMessage(AField, v, AWhat));
  }
}

// Fields whose type turns the value into a text of its own: numbers, dates and truth values.
bool FormatsValue(TFieldType AType) {
  if (IsIntegerFieldType(AType))
    return true;
  switch (AType) {
  case ftBoolean:
  case ftFloat:
  case ftCurrency:
  case ftBCD:
  case ftFMTBcd:
  case ftDate:
  case ftTime:
  case ftDateTime:
    return true;
  default:
    return false;
  }
}

} // namespace

bool IsRealOfNoInteger(const Variant& AValue) {
  if (VarType(AValue) != varDouble && VarType(AValue) != varSingle)
    return false;
  double v = AValue.AsDouble();
  return !(v >= -0x1p63 && v < 0x1p63) || std::trunc(v) != v;
}

bool IsIntegerFieldType(TFieldType AType) {
  switch (AType) {
  case ftSmallint:
  case ftInteger:
  case ftWord:
  case ftAutoInc:
  case ftLargeint:
    return true;
  default:
    return false;
  }
}

AnsiString UnreadableValueMessage(TField* AField, const Variant& AValue, const AnsiString& AWhat) {
  AnsiString record;
  TDataSet* ds = AField->DataSet();
  if (ds && ds->Active() && ds->State() == dsBrowse) {
    int recNo = ds->RecNo();
    if (recNo > 0)
      record = " of record " + IntToStr(recNo);
  }
  // Appended rather than put before a temporary string, which GCC 12 mistakes for an overlapping copy
  // (-Wrestrict, a known false positive).
  AnsiString message = "'";
  message += QuotedText(AValue);
  return message + "' in field '" + AField->FieldName + "'" + record + " cannot be read as " + AWhat;
}

bool TField::HoldsRealOfNoInteger(const Variant& AValue) const {
  return IsIntegerFieldType(FDataType) && IsRealOfNoInteger(AValue);
}

int TField::AsInteger() {
  return ReadAs<int>(this, "an integer", [this](const Variant& v) {
    if (HoldsRealOfNoInteger(v))
      throw EConvertError("not an integer");
    return v.AsInteger();
  });
}

std::int64_t TField::AsLargeInt() {
  return ReadAs<std::int64_t>(this, "an integer", [this](const Variant& v) {
    if (HoldsRealOfNoInteger(v))
      throw EConvertError("not an integer");
    return v.AsInt64();
  });
}

double TField::AsFloat() {
  return ReadAs<double>(this, "a number", [](const Variant& v) { return v.AsDouble(); });
}

bool TField::AsBoolean() {
  return ReadAs<bool>(this, "a Boolean", [](const Variant& v) { return v.AsBoolean(); });
}

TDateTime TField::AsDateTime() {
  return ReadAs<TDateTime>(this, "a date", [](const Variant& v) { return v.AsDate(); });
}

AnsiString TField::TextOf(bool ADisplayText) {
  if (OnGetText) {
    AnsiString text;
    OnGetText(this, text, ADisplayText);
    return text;
  }
  Variant v = GetAsVariant();
  return VarIsNull(v) ? AnsiString() : TextOfValue(v, ADisplayText);
}

AnsiString TField::TextOfValue(const Variant& AValue, bool ADisplayText) {
  // A database column may hold a text where its type wants a number, a date or a truth value, or a fraction
  // where it wants an integer; such a value reads as the text it is, and only a read that needs the typed
  // value refuses it.
  if ((VarIsStr(AValue) && FormatsValue(FDataType)) || HoldsRealOfNoInteger(AValue))
    return VarToStr(AValue);
  return FormatText(AValue, ADisplayText);
}

void TField::SetText(const AnsiString& AText) {
  if (OnSetText)
    OnSetText(this, AText);
  else
    ParseText(AText);
}

void TField::FocusControl() {
  if (FDataSet && FDataSet->Active())
    FDataSet->DataEvent(deFocusControl, std::intptr_t(this));
}

AnsiString TField::FormatText(const Variant& AValue, bool) {
  return VarToStr(AValue);
}

void TField::ParseText(const AnsiString& AText) {
  // An empty text clears every type but text, where it is a value of its own.
  if (AText.empty() && FDataType != ftString && FDataType != ftWideString && FDataType != ftFixedChar)
    SetAsVariant(Null);
  else
    SetAsVariant(Variant(AText));
}

void TField::ConvertError(const Variant& AValue) {
  throw EDatabaseError("'" + QuotedText(AValue) + "' is not a valid value for field '" + FieldName + "'");
}

Variant TField::ConvertValue(const Variant& AValue) {
  return AValue;
}

Variant TStringField::ConvertValue(const Variant& AValue) {
  if (VarIsNull(AValue) || VarIsEmpty(AValue))
    return Null;
  try {
    if (FDataType == ftWideString)
      return VarType(AValue) == varOleStr ? AValue : Variant(AValue.AsWideString());
    return VarType(AValue) == varString ? AValue : Variant(AValue.AsString());
  } catch (const Exception&) {
    ConvertError(AValue);
  }
}

Variant TBooleanField::ConvertValue(const Variant& AValue) {
  if (VarIsNull(AValue) || VarIsEmpty(AValue))
    return Null;
  try {
    return Variant(AValue.AsBoolean());
  } catch (const Exception&) {
    ConvertError(AValue);
  }
}

AnsiString TBooleanField::FormatText(const Variant& AValue, bool) {
  auto sep = DisplayValues.find(';');
  bool b = AValue.AsBoolean();
  if (sep == AnsiString::npos)
    return b ? DisplayValues : AnsiString();
  return b ? DisplayValues.substr(0, sep) : DisplayValues.substr(sep + 1);
}

void TBooleanField::ParseText(const AnsiString& AText) {
  auto sep = DisplayValues.find(';');
  AnsiString yes = sep == AnsiString::npos ? DisplayValues : DisplayValues.substr(0, sep);
  AnsiString no = sep == AnsiString::npos ? AnsiString() : DisplayValues.substr(sep + 1);
  AnsiString t = Trim(AText);
  if (t.empty())
    SetAsVariant(Null);
  else if (AnsiSameText(t, yes) || (yes.empty() && !AnsiSameText(t, no)))
    SetAsVariant(true);
  else if (AnsiSameText(t, no))
    SetAsVariant(false);
  else
    throw EDatabaseError("'" + MessageExcerpt(AText) + "' is not a valid boolean value for field '" +
                         FieldName + "'");
}

Variant TNumericField::ConvertValue(const Variant& AValue) {
  if (VarIsNull(AValue) || VarIsEmpty(AValue))
    return Null;
  try {
    switch (FDataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
      if (VarType(AValue) == varInteger && (FDataType == ftInteger || FDataType == ftAutoInc))
        return AValue;
      std::int64_t v = AValue.AsInt64();
      if (v < INT32_MIN || v > INT32_MAX || (FDataType == ftSmallint && (v < -32768 || v > 32767)) ||
          (FDataType == ftWord && (v < 0 || v > 65535)))
        throw EDatabaseError(IntToStr(v) + " is not a valid value for field '" + FieldName +
                             "'. The allowed range is exceeded");
      return Variant(int(v));
    }
    case ftLargeint:
      return VarType(AValue) == varInt64 ? AValue : Variant(AValue.AsInt64());
    case ftBCD:
    case ftFMTBcd:
      return Variant(AValue.AsCurrency());
    default:
      return VarType(AValue) == varDouble ? AValue : Variant(AValue.AsDouble());
    }
  } catch (const EDatabaseError&) {
    throw;
  } catch (const Exception&) {
    ConvertError(AValue);
  }
}

AnsiString TNumericField::FormatText(const Variant& AValue, bool ADisplayText) {
  const AnsiString& format = ADisplayText || EditFormat.empty() ? DisplayFormat : EditFormat;
  if (!format.empty())
    return FormatFloat(format, AValue.AsDouble());
  return VarToStr(AValue);
}

AnsiString TFloatField::FormatText(const Variant& AValue, bool ADisplayText) {
  const AnsiString& format = ADisplayText || EditFormat.empty() ? DisplayFormat : EditFormat;
  if (!format.empty())
    return FormatFloat(format, AValue.AsDouble());
  if (Currency && ADisplayText)
    return FloatToStrF(AValue.AsDouble(), ffCurrency, 15, 2);
  return FloatToStr(AValue.AsDouble());
}

Variant TDateTimeField::ConvertValue(const Variant& AValue) {
  if (VarIsNull(AValue) || VarIsEmpty(AValue))
    return Null;
  try {
    return VarType(AValue) == varDate ? AValue : Variant::FromDate(AValue.AsDate());
  } catch (const Exception&) {
    ConvertError(AValue);
  }
}

AnsiString TDateTimeField::FormatText(const Variant& AValue, bool ADisplayText) {
  TDateTime d = AValue.AsDate();
  if (ADisplayText && !DisplayFormat.empty())
    return FormatDateTime(DisplayFormat, d);
  if (FDataType == ftDate)
    return DateToStr(d);
  if (FDataType == ftTime)
    return FormatDateTime("t", d);
  return DateTimeToStr(d);
}

TField* CreateField(TFieldType AType, TComponent* AOwner) {
  switch (AType) {
  case ftString:
  case ftFixedChar:
  case ftGuid:
    return new TStringField(AOwner);
  case ftWideString:
    return new TWideStringField(AOwner);
  case ftSmallint:
    return new TSmallintField(AOwner);
  case ftInteger:
    return new TIntegerField(AOwner);
  case ftWord:
    return new TWordField(AOwner);
  case ftAutoInc:
    return new TAutoIncField(AOwner);
  case ftLargeint:
    return new TLargeintField(AOwner);
  case ftBoolean:
    return new TBooleanField(AOwner);
  case ftFloat:
    return new TFloatField(AOwner);
  case ftCurrency:
    return new TCurrencyField(AOwner);
  case ftBCD:
    return new TBCDField(AOwner);
  case ftFMTBcd:
    return new TFMTBCDField(AOwner);
  case ftDate:
    return new TDateField(AOwner);
  case ftTime:
    return new TTimeField(AOwner);
  case ftDateTime:
    return new TDateTimeField(AOwner);
  case ftTimeStamp:
    return new TSQLTimeStampField(AOwner);
  case ftBlob:
    return new TBlobField(AOwner);
  case ftMemo:
  case ftFmtMemo:
    return new TMemoField(AOwner);
  case ftGraphic:
    return new TGraphicField(AOwner);
  case ftBytes:
  case ftVarBytes:
    return new TBytesField(AOwner);
  case ftVariant:
    return new TVariantField(AOwner);
  default:
    throw EDatabaseError("Field type " + IntToStr(int(AType)) + " has no field class");
  }
}
