#pragma once
// Parameters of a query: named values that the query's text refers to as ":Name".
#include "platform/classes/Collection.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Variants.h"

class TParam : public TCollectionItem {
  PELVOR_CLASS(TParam, TCollectionItem)
public:
  explicit TParam(TCollection* ACollection) : TCollectionItem(ACollection) {}

  AnsiString Name;
  TFieldType DataType = ftUnknown;
  // Unassigned until a value is given; a query does not open with a parameter that has none.
  const Variant& Value() const { return FValue; }
  void SetValue(const Variant& AValue) { FValue = AValue; }
  bool IsNull() const { return VarIsNull(FValue) || VarIsEmpty(FValue); }
  bool Bound() const { return !VarIsEmpty(FValue); }
  void Clear() { FValue = Variant(); }
  void Assign(TPersistent* Source) override;

private:
  Variant FValue;
};

class TParams : public TCollection {
  PELVOR_CLASS(TParams, TCollection)
public:
  explicit TParams(TPersistent* AOwner = nullptr) : TCollection(AOwner, ClassOf<TParam>()) {}

  TParam* Items(int AIndex) const { return static_cast<TParam*>(TCollection::Items(AIndex)); }
  TParam* CreateParam(TFieldType AType, const AnsiString& AName);
  // Case-insensitive; nullptr when there is no such parameter.
  TParam* FindParam(const AnsiString& AName) const;
  // As FindParam, but a missing parameter raises EDatabaseError.
  TParam* ParamByName(const AnsiString& AName) const;
  // The values of the ";"-separated parameters: one value for one name, a Variant array for several.
  Variant ParamValues(const AnsiString& ANames) const;
  void SetParamValues(const AnsiString& ANames, const Variant& AValues);
};
