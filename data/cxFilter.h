#pragma once
// Filter criteria: a tree of AND/OR lists whose leaves compare a data item's value with an operator; the tree
// evaluates itself against a record, renders itself as readable and as expression text, and persists itself.
#include <memory>
#include <vector>

#include "platform/classes/Events.h"
#include "platform/classes/Persistent.h"
#include "platform/classes/Sets.h"
#include "platform/classes/UnitList.h"
#include "platform/rtl/Variants.h"

class TStream;
class TcxFilterCriteria;
class TcxFilterCriteriaItem;
class TcxFilterCriteriaItemList;

enum TcxFilterBoolOperatorKind : std::uint8_t { fbokAnd, fbokOr, fbokNotAnd, fbokNotOr };

enum TcxFilterOperatorKind : std::uint8_t {
  fokEqual,
  fokNotEqual,
  fokLess,
  fokLessEqual,
  fokGreater,
  fokGreaterEqual,
  fokLike,
  fokNotLike,
  fokBetween,
  fokNotBetween,
  fokInList,
  fokNotInList,
  fokYesterday,
  fokToday,
  fokTomorrow,
  fokLastWeek,
  fokLastMonth,
  fokLastYear,
  fokThisWeek,
  fokThisMonth,
  fokThisYear,
  fokNextWeek,
  fokNextMonth,
  fokNextYear,
  fokNull,
  fokNotNull
};
constexpr int fokLastKind = fokNotNull;

enum TcxFilterCriteriaOption { fcoCaseInsensitive, fcoShowOperatorDescription, fcoSoftNull, fcoSoftCompare };
using TcxFilterCriteriaOptions = TSet<TcxFilterCriteriaOption, 4>;

// The data item a condition refers to; only the criteria's descendants know what it is.
using TcxItemLink = TObject*;

class TcxFilterOperator : public TObject {
  PELVOR_CLASS(TcxFilterOperator, TObject)
public:
  using TCreateArgs = std::tuple<TcxFilterCriteriaItem*>;
  explicit TcxFilterOperator(TcxFilterCriteriaItem* ACriteriaItem) : FCriteriaItem(ACriteriaItem) {}

  virtual void GetExpression(const Variant& AValue, AnsiString& AText) { GetExpressionValue(AValue, AText); }
  virtual void GetExpressionValue(const Variant& AValue, AnsiString& AText);
  virtual void PrepareDisplayValue(AnsiString& AText) { (void)AText; }
  virtual void Prepare() {}
  virtual bool GetArrayExpressionValue(const Variant& AValue, AnsiString& AText);
  // V is the prepared record value, C the prepared condition value.
  virtual bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) = 0;
  virtual void GetDisplayText(AnsiString& AText) { GetSymbol(AText); }
  virtual void GetSymbol(AnsiString& AText) = 0;
  virtual bool AlwaysShowDescription() { return false; }
  virtual bool IsFullExpression() { return false; }
  virtual bool IsNullOperator() { return false; }

  TcxFilterCriteriaItem* CriteriaItem() const { return FCriteriaItem; }
  TcxFilterCriteria* Criteria() const;

protected:
  // The expression text of one value by its type, without the criteria's formatting hook.
  AnsiString ValueText(const Variant& AValue);
  AnsiString FieldName();

private:
  TcxFilterCriteriaItem* FCriteriaItem;
};
using TcxFilterOperatorClass = TClass;

#define PELVOR_FILTER_OPERATOR(Self, Base)                                                                   \
  PELVOR_CLASS(Self, Base)                                                                                   \
public:                                                                                                      \
  using Base::Base;

class TcxFilterEqualOperator : public TcxFilterOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterEqualOperator, TcxFilterOperator)
  void GetExpression(const Variant& AValue, AnsiString& AText) override;
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "="; }
  bool IsFullExpression() override;
};
class TcxFilterNotEqualOperator : public TcxFilterEqualOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterNotEqualOperator, TcxFilterEqualOperator)
  void GetExpression(const Variant& AValue, AnsiString& AText) override;
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "<>"; }
};
class TcxFilterLessOperator : public TcxFilterOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterLessOperator, TcxFilterOperator)
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "<"; }
};
class TcxFilterLessEqualOperator : public TcxFilterOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterLessEqualOperator, TcxFilterOperator)
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "<="; }
};
class TcxFilterGreaterOperator : public TcxFilterOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterGreaterOperator, TcxFilterOperator)
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = ">"; }
};
class TcxFilterGreaterEqualOperator : public TcxFilterOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterGreaterEqualOperator, TcxFilterOperator)
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = ">="; }
};
class TcxFilterLikeOperator : public TcxFilterOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterLikeOperator, TcxFilterOperator)
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "LIKE"; }
  void PrepareDisplayValue(AnsiString& AText) override;
};
class TcxFilterNotLikeOperator : public TcxFilterLikeOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterNotLikeOperator, TcxFilterLikeOperator)
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "NOT LIKE"; }
};
class TcxFilterBetweenOperator : public TcxFilterOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterBetweenOperator, TcxFilterOperator)
  void GetExpression(const Variant& AValue, AnsiString& AText) override;
  bool GetArrayExpressionValue(const Variant& AValue, AnsiString& AText) override;
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "BETWEEN"; }
  void PrepareDisplayValue(AnsiString& AText) override;
  // The symbol reads badly next to the "1 and 5" form of the shown value.
  bool AlwaysShowDescription() override { return true; }
  bool IsFullExpression() override;
};
class TcxFilterNotBetweenOperator : public TcxFilterBetweenOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterNotBetweenOperator, TcxFilterBetweenOperator)
  void GetExpression(const Variant& AValue, AnsiString& AText) override;
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "NOT BETWEEN"; }
};
class TcxFilterInListOperator : public TcxFilterOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterInListOperator, TcxFilterOperator)
  void GetExpression(const Variant& AValue, AnsiString& AText) override;
  bool GetArrayExpressionValue(const Variant& AValue, AnsiString& AText) override;
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "IN"; }
  void PrepareDisplayValue(AnsiString& AText) override;
  bool IsFullExpression() override;
};
class TcxFilterNotInListOperator : public TcxFilterInListOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterNotInListOperator, TcxFilterInListOperator)
  void GetExpression(const Variant& AValue, AnsiString& AText) override;
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "NOT IN"; }
};

// A condition on a date range [RangeStart, RangeEnd) fixed from today's date whenever the criteria prepare.
class TcxFilterDateOperator : public TcxFilterOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterDateOperator, TcxFilterOperator)
  void GetExpression(const Variant& AValue, AnsiString& AText) override;
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override { GetSymbol(AText); }
  void GetSymbol(AnsiString& AText) override { AText = GetTranslatedDescription(); }
  void PrepareDisplayValue(AnsiString& AText) override { AText.clear(); }
  bool IsFullExpression() override { return true; }
  void Prepare() override;

  TDateTime RangeStart = 0;
  TDateTime RangeEnd = 0;

protected:
  virtual AnsiString GetTranslatedDescription() = 0;
  virtual void GetRange(TDateTime ADate, TDateTime& AStart, TDateTime& AEnd) = 0;
};

#define PELVOR_DATE_OPERATOR(Self)                                                                           \
  class Self : public TcxFilterDateOperator {                                                                \
    PELVOR_FILTER_OPERATOR(Self, TcxFilterDateOperator)                                                      \
  protected:                                                                                                 \
    AnsiString GetTranslatedDescription() override;                                                          \
    void GetRange(TDateTime ADate, TDateTime& AStart, TDateTime& AEnd) override;                             \
  };
PELVOR_DATE_OPERATOR(TcxFilterYesterdayOperator)
PELVOR_DATE_OPERATOR(TcxFilterTodayOperator)
PELVOR_DATE_OPERATOR(TcxFilterTomorrowOperator)
PELVOR_DATE_OPERATOR(TcxFilterLastWeekOperator)
PELVOR_DATE_OPERATOR(TcxFilterLastMonthOperator)
PELVOR_DATE_OPERATOR(TcxFilterLastYearOperator)
PELVOR_DATE_OPERATOR(TcxFilterThisWeekOperator)
PELVOR_DATE_OPERATOR(TcxFilterThisMonthOperator)
PELVOR_DATE_OPERATOR(TcxFilterThisYearOperator)
PELVOR_DATE_OPERATOR(TcxFilterNextWeekOperator)
PELVOR_DATE_OPERATOR(TcxFilterNextMonthOperator)
PELVOR_DATE_OPERATOR(TcxFilterNextYearOperator)
#undef PELVOR_DATE_OPERATOR

class TcxFilterNullOperator : public TcxFilterEqualOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterNullOperator, TcxFilterEqualOperator)
  void GetExpression(const Variant& AValue, AnsiString& AText) override { GetExpressionValue(AValue, AText); }
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void PrepareDisplayValue(AnsiString& AText) override;
  bool IsFullExpression() override { return false; }
  bool IsNullOperator() override { return true; }
};
class TcxFilterNotNullOperator : public TcxFilterNullOperator {
  PELVOR_FILTER_OPERATOR(TcxFilterNotNullOperator, TcxFilterNullOperator)
  bool IsMatch(const Variant& AValue, const Variant& ACriteriaValue) override;
  void GetDisplayText(AnsiString& AText) override;
  void GetSymbol(AnsiString& AText) override { AText = "<>"; }
};

// The operator class of each kind, in kind order.
TcxFilterOperatorClass GetFilterOperatorClass(TcxFilterOperatorKind AKind);

class TcxCustomFilterCriteriaItem : public TObject {
  PELVOR_CLASS(TcxCustomFilterCriteriaItem, TObject)
public:
  explicit TcxCustomFilterCriteriaItem(TcxFilterCriteriaItemList* AParent) : FParent(AParent) {}
  // Unlinks the item from its parent.
  ~TcxCustomFilterCriteriaItem() override;

  TcxFilterCriteriaItemList* Parent() const { return FParent; }
  virtual void Changed();
  virtual TcxFilterCriteria* GetCriteria();
  virtual bool IsItemList() { return false; }
  // Called right after the item was read from a stream and linked into the tree.
  virtual void ReadData(TStream* AStream) { (void)AStream; }
  virtual void WriteData(TStream* AStream) = 0;

protected:
  // Links the item to a parent for lookups without entering the parent's list or reporting a change.
  void SetParentQuietly(TcxFilterCriteriaItemList* AParent) { FParent = AParent; }

private:
  friend class TcxFilterCriteriaItemList;
  friend class TcxFilterCriteria;
  TcxFilterCriteriaItemList* FParent;
  bool FIsList = false; // what IsItemList answers, read without a virtual call while evaluating
};

class TcxFilterCriteriaItemList : public TcxCustomFilterCriteriaItem {
  PELVOR_CLASS(TcxFilterCriteriaItemList, TcxCustomFilterCriteriaItem)
public:
  TcxFilterCriteriaItemList(TcxFilterCriteriaItemList* AParent, TcxFilterBoolOperatorKind ABoolOperatorKind);
  ~TcxFilterCriteriaItemList() override;

  TcxFilterCriteria* GetCriteria() override;
  bool IsItemList() override { return true; }
  void WriteData(TStream* AStream) override;
  // Unlinks AItem without freeing it.
  virtual void Remove(TcxCustomFilterCriteriaItem* AItem);

  TcxFilterCriteriaItemList* AddItemList(TcxFilterBoolOperatorKind ABoolOperatorKind);
  int Count() const { return int(FItems.size()); }
  TcxCustomFilterCriteriaItem* Items(int AIndex) const; // nullptr outside 0..Count-1
  int IndexOf(const TcxCustomFilterCriteriaItem* AItem) const;
  TcxFilterBoolOperatorKind BoolOperatorKind() const { return FBoolOperatorKind; }
  void SetBoolOperatorKind(TcxFilterBoolOperatorKind AValue);

private:
  friend class TcxFilterCriteria;
  friend class TcxFilterCriteriaItem;
  void Add(TcxCustomFilterCriteriaItem* AItem);
  void InsertAt(int AIndex, TcxCustomFilterCriteriaItem* AItem);
  TcxFilterBoolOperatorKind FBoolOperatorKind;
  TcxFilterCriteria* FCriteria = nullptr;           // set only on the root
  std::vector<TcxCustomFilterCriteriaItem*> FItems; // owned
};

class TcxFilterCriteriaItem : public TcxCustomFilterCriteriaItem {
  PELVOR_CLASS(TcxFilterCriteriaItem, TcxCustomFilterCriteriaItem)
public:
  using TCreateArgs =
      std::tuple<TcxFilterCriteriaItemList*, TcxItemLink, TcxFilterOperatorKind, Variant, AnsiString>;
  TcxFilterCriteriaItem(TcxFilterCriteriaItemList* AParent, TcxItemLink AItemLink,
                        TcxFilterOperatorKind AOperatorKind, Variant AValue, AnsiString ADisplayValue);
  ~TcxFilterCriteriaItem() override;

  void WriteData(TStream* AStream) override;

  // The record's value of the item's data; the criteria's descendants supply it.
  virtual void GetDataValue(void* AData, Variant& AValue);
  virtual AnsiString GetDisplayValue();
  virtual void GetValueText(bool ADisplay, AnsiString& AText);
  virtual AnsiString GetFieldCaption() { return AnsiString(); }
  virtual AnsiString GetFieldName() { return AnsiString(); }
  virtual TcxFilterOperatorClass GetOperatorClass();
  virtual TcxItemLink GetItemLink() { return FItemLink; }
  void RecreateOperator();
  virtual bool IsNullValue(const Variant& AValue);

  const AnsiString& DisplayValue() const { return FDisplayValue; }
  void SetDisplayValue(const AnsiString& AValue);
  TcxItemLink ItemLink() const { return FItemLink; }
  TcxFilterOperator* Operator() const { return FOperator.get(); }
  TcxFilterOperatorKind OperatorKind() const { return FOperatorKind; }
  void SetOperatorKind(TcxFilterOperatorKind AValue);
  const Variant& Value() const { return FValue; }
  void SetValue(const Variant& AValue);

  // Evaluates the condition against one record.
  bool IsMatch(void* AData);

private:
  friend class TcxFilterCriteria;
  bool IsMatchIn(TcxFilterCriteria* ACriteria, void* AData);
  void CreateOperator();

  AnsiString FDisplayValue;
  TcxItemLink FItemLink;
  std::unique_ptr<TcxFilterOperator, TObjectDeleter> FOperator;
  TcxFilterOperatorKind FOperatorKind;
  Variant FValue;
  // The condition value as the criteria compare it, kept until the value or the criteria's options change.
  Variant FPreparedValue;
  unsigned FPreparedStamp = 0;
  bool FNullOperator = false; // the operator's IsNullOperator, fixed when the operator is made
  Variant FRecordValue;
};
using TcxFilterCriteriaItemClass = TClass;

class TcxFilterValueList;
using TcxFilterValueListClass = TClass;

class TcxFilterCriteria : public TPersistent {
  PELVOR_CLASS(TcxFilterCriteria, TPersistent)
public:
  TcxFilterCriteria();
  ~TcxFilterCriteria() override;

  void Assign(TPersistent* Source) override;

  virtual void CheckChanges();
  virtual AnsiString FormatValue(const Variant& AValue);
  virtual AnsiString FormatDateTimeValue(const Variant& AValue);
  virtual void FormatFilterTextValue(TcxFilterCriteriaItem* AItem, const Variant& AValue, AnsiString& AText);
  virtual AnsiString GetFilterCaption() { return GetFilterTextEx(true); }
  virtual AnsiString GetFilterTextEx(bool ADisplay);
  virtual AnsiString GetFilterText() { return GetFilterTextEx(false); }
  virtual int GetIDByItemLink(TcxItemLink AItemLink);
  virtual TcxFilterCriteriaItemClass GetItemClass();
  virtual AnsiString GetItemText(TcxFilterCriteriaItem* AItem, bool ADisplay);
  virtual AnsiString GetItemFieldText(TcxFilterCriteriaItem* AItem, bool ADisplay);
  virtual AnsiString GetItemOperatorText(TcxFilterCriteriaItem* AItem, bool ADisplay);
  virtual AnsiString GetItemValueText(TcxFilterCriteriaItem* AItem, bool ADisplay);
  virtual TcxItemLink GetItemLinkByID(int AID);
  virtual TcxFilterValueListClass GetValueListClass();
  virtual void Prepare();
  virtual void PrepareValue(const Variant& ASource, Variant& ADest);
  virtual void DoChanged();
  virtual void AssignEvents(TPersistent* Source);
  virtual void AssignItems(TcxFilterCriteria* Source);
  virtual TcxFilterCriteriaItem* AddItem(TcxFilterCriteriaItemList* AParent, TcxItemLink AItemLink,
                                         TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                         const AnsiString& ADisplayValue);
  virtual void Changed();
  virtual TcxFilterCriteriaItem* FindItemByItemLink(TcxItemLink AItemLink);
  virtual bool IsEmpty() { return FRoot->Count() == 0; }
  virtual void LoadFromStream(TStream* AStream);
  virtual void RestoreDefaults();
  virtual void SaveToStream(TStream* AStream);
  virtual bool IsNullValue(const Variant& AValue);
  // The binary form of the item tree; reading replaces the whole tree, and a damaged stream raises
  // EReadError and leaves the criteria empty.
  virtual void ReadData(TStream* AStream);
  virtual void WriteData(TStream* AStream);

  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  void CancelUpdate() { --FLockCount; }
  void Clear();
  void RemoveItemByItemLink(TcxItemLink AItemLink);
  bool IsDataMatched(void* AData);
  bool HasCriteriaData();

  TcxFilterCriteriaItemList* Root() const { return FRoot.get(); }
  const AnsiString& DateTimeFormat() const { return FDateTimeFormat; }
  void SetDateTimeFormat(const AnsiString& AValue);
  int MaxValueListCount() const { return FMaxValueListCount; }
  void SetMaxValueListCount(int AValue) { FMaxValueListCount = AValue; }
  TcxFilterCriteriaOptions Options() const { return FOptions; }
  void SetOptions(TcxFilterCriteriaOptions AValue);
  char PercentWildcard() const { return FPercentWildcard; }
  void SetPercentWildcard(char AValue);
  char UnderscoreWildcard() const { return FUnderscoreWildcard; }
  void SetUnderscoreWildcard(char AValue);
  bool SupportedLike() const { return FSupportedLike; }
  void SetSupportedLike(bool AValue) { FSupportedLike = AValue; }
  bool TranslateBetween() const { return FTranslateBetween; }
  void SetTranslateBetween(bool AValue) { FTranslateBetween = AValue; }
  bool TranslateIn() const { return FTranslateIn; }
  void SetTranslateIn(bool AValue) { FTranslateIn = AValue; }

  TNotifyEvent OnChanged;
  // Lets the owner rewrite a value's text in the filter text; the default FormatFilterTextValue calls it.
  TEvent<void(TcxFilterCriteria* Sender, TcxFilterCriteriaItem* AItem, const Variant& AValue,
              AnsiString& AText)>
      OnFormatFilterTextValue;

protected:
  // Called for every item as it is read; descendants can refuse items or adjust them.
  virtual void ExtensionHook() {}

private:
  friend class TcxFilterCriteriaItem;
  bool IsListMatched(TcxFilterCriteriaItemList* AList, void* AData);
  AnsiString GetListText(TcxFilterCriteriaItemList* AList, bool ADisplay);
  void ReadItems(TStream* AStream, TcxFilterCriteriaItemList* AParent, int ACount, int ADepth);
  void PrepareList(TcxFilterCriteriaItemList* AList);
  void CollapseAfterRemoval(TcxFilterCriteriaItemList* AList);

  bool FChanged = false;
  AnsiString FDateTimeFormat;
  int FLockCount = 0;
  int FMaxValueListCount = 0;
  TcxFilterCriteriaOptions FOptions;
  char FPercentWildcard = '%';
  std::unique_ptr<TcxFilterCriteriaItemList, TObjectDeleter> FRoot;
  bool FSupportedLike = true;
  bool FTranslateBetween = false;
  bool FTranslateIn = false;
  char FUnderscoreWildcard = '_';
  // Bumped whenever what PrepareValue does may change, so that items recompute their prepared values.
  unsigned FPrepareStamp = 1;
  friend class TcxFilterValueList;
};

enum TcxFilterValueItemKind : std::uint8_t {
  fviAll = 0,
  fviCustom = 1,
  fviBlanks = 2,
  fviNonBlanks = 3,
  fviValue = 5,
  fviMRU = 6,
  fviMRUSeparator = 7
};

struct TcxFilterValueItem {
  TcxFilterValueItemKind Kind;
  Variant Value;
  AnsiString DisplayText;
};

// The values offered in a column's filter drop-down: special entries first, recently used values, then the
// distinct values in sorted order.
class TcxFilterValueList : public TObject {
  PELVOR_CLASS(TcxFilterValueList, TObject)
public:
  using TCreateArgs = std::tuple<TcxFilterCriteria*>;
  explicit TcxFilterValueList(TcxFilterCriteria* ACriteria) : FCriteria(ACriteria) {}

  virtual int Compare(int AIndex, const Variant& AValue, const AnsiString& ADisplayText);
  virtual void Add(TcxFilterValueItemKind AKind, const Variant& AValue, const AnsiString& ADisplayText,
                   bool AAppend);
  virtual void Clear() { FItems.clear(); }
  virtual bool Find(const Variant& AValue, const AnsiString& ADisplayText, int& AIndex);
  virtual int GetIndexByCriteriaItem(TcxFilterCriteriaItem* AItem);

  int Count() const { return int(FItems.size()); }
  const TcxFilterValueItem& Items(int AIndex) const { return FItems.at(std::size_t(AIndex)); }
  TcxFilterCriteria* Criteria() const { return FCriteria; }
  bool SortByDisplayText = false;

private:
  int IndexOfKind(TcxFilterValueItemKind AKind) const;
  TcxFilterCriteria* FCriteria;
  std::vector<TcxFilterValueItem> FItems;
};

// Unit start-up and shut-down: the published properties through which the criteria stream as a component.
void cxFilterInitialize();
void cxFilterFinalize();
extern const TUnitInfo cxFilterUnit;
