#include <gtest/gtest.h>

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

} // namespace
