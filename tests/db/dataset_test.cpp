#include <gtest/gtest.h>

#include <memory>

#include "platform/db/DB.h"

namespace {

TEST(DataSetFields, ListsLookupAndValues) {
  TDataSet dataSet(nullptr);
  TIntegerField id(nullptr);
  id.FieldName = "ID";
  id.SetDataSet(&dataSet);
  {
    TStringField name(nullptr);
    name.FieldName = "Ad";
    name.SetDataSet(&dataSet);
    EXPECT_EQ(dataSet.FieldCount(), 2);
    EXPECT_EQ(dataSet.FindField("ad"), &name);
    name.SetValue("x");
    EXPECT_EQ(name.Value().AsString(), "x");
  }
  EXPECT_EQ(dataSet.FieldCount(), 1) << "a freed field leaves its dataset's list";
  EXPECT_EQ(dataSet.FindField("Ad"), nullptr);
  EXPECT_THROW(dataSet.FieldByName("Ad"), EDatabaseError);
  EXPECT_TRUE(id.IsNull());
  id.SetValue(5);
  EXPECT_EQ(id.Value().AsInteger(), 5);

  TDataSet other(nullptr);
  id.SetDataSet(&other);
  EXPECT_EQ(dataSet.FieldCount(), 0);
  EXPECT_TRUE(id.IsNull()) << "values belong to the dataset's record, not to the field";
}

TEST(DataSetFields, WhoCanModify) {
  TDataSet dataSet(nullptr);
  TFloatField price(nullptr);
  TCurrencyField amount(nullptr);
  EXPECT_FALSE(price.CanModify()) << "no dataset";
  EXPECT_THROW(price.SetValue(1.0), EDatabaseError);
  price.SetDataSet(&dataSet);
  amount.SetDataSet(&dataSet);
  EXPECT_TRUE(price.CanModify());
  EXPECT_TRUE(amount.Currency);
  EXPECT_EQ(amount.DataType(), ftCurrency);
  price.SetFieldKind(fkCalculated);
  EXPECT_FALSE(price.CanModify());
  amount.ReadOnly = true;
  EXPECT_FALSE(amount.CanModify());
  amount.ReadOnly = false;
  dataSet.ReadOnly = true;
  EXPECT_FALSE(amount.CanModify());
  TAggregateField total(nullptr);
  total.AggregateValue = 42;
  EXPECT_EQ(total.FieldKind(), fkAggregate);
  EXPECT_EQ(total.Value().AsInteger(), 42);
}

TEST(DataSetFields, KindsByType) {
  struct Case {
    TFieldType type;
    TClass cls;
    bool blob;
  } cases[] = {
      {ftString, ClassOf<TStringField>(), false},     {ftWideString, ClassOf<TWideStringField>(), false},
      {ftInteger, ClassOf<TIntegerField>(), false},   {ftLargeint, ClassOf<TLargeintField>(), false},
      {ftFloat, ClassOf<TFloatField>(), false},       {ftCurrency, ClassOf<TCurrencyField>(), false},
      {ftBCD, ClassOf<TBCDField>(), false},           {ftDate, ClassOf<TDateField>(), false},
      {ftDateTime, ClassOf<TDateTimeField>(), false}, {ftBoolean, ClassOf<TBooleanField>(), false},
      {ftMemo, ClassOf<TMemoField>(), true},          {ftBlob, ClassOf<TBlobField>(), true},
      {ftGraphic, ClassOf<TGraphicField>(), true}};
  for (const Case& c : cases) {
    std::unique_ptr<TField, TObjectDeleter> field(CreateField(c.type, nullptr));
    EXPECT_EQ(field->ClassType(), c.cls);
    EXPECT_EQ(field->DataType(), c.type);
    EXPECT_EQ(field->IsBlob(), c.blob);
  }
  EXPECT_THROW(CreateField(ftADT, nullptr), EDatabaseError);
}

TEST(DataSetFields, ValuesConvertToTheFieldType) {
  TDataSet dataSet(nullptr);
  TIntegerField number(nullptr);
  TSmallintField small(nullptr);
  TStringField text(nullptr);
  TDateTimeField when(nullptr);
  for (TField* f : std::vector<TField*>{&number, &small, &text, &when})
    f->SetDataSet(&dataSet);
  number.FieldName = "Number";
  number.SetValue("42");
  EXPECT_EQ(VarType(number.Value()), varInteger);
  EXPECT_EQ(number.AsInteger(), 42);
  EXPECT_THROW(number.SetValue("forty"), EDatabaseError);
  EXPECT_THROW(number.SetValue(std::int64_t(1) << 40), EDatabaseError);
  EXPECT_THROW(small.SetValue(40000), EDatabaseError);
  text.SetValue(7);
  EXPECT_EQ(VarType(text.Value()), varString);
  when.SetValue(45000.25);
  EXPECT_EQ(VarType(when.Value()), varDate);
  text.SetValue(Null);
  EXPECT_TRUE(text.IsNull());
  EXPECT_EQ(text.AsString(), "");
  EXPECT_EQ(number.AsFloat(), 42.0);
  text.SetValue("kirk");
  EXPECT_THROW(text.AsInteger(), EDatabaseError);
  EXPECT_THROW(text.AsDateTime(), EDatabaseError);
  text.SetValue("17");
  EXPECT_EQ(text.AsInteger(), 17);
}

} // namespace
