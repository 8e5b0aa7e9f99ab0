#pragma once
// The filter-operator adapter of datasets: query datasets write blank tests in SQL form.
#include "data/cxDB.h"
#include "data/cxFilter.h"

class TcxFilterSQLNullOperator : public TcxFilterNullOperator {
  PELVOR_CLASS(TcxFilterSQLNullOperator, TcxFilterNullOperator)
public:
  using TcxFilterNullOperator::TcxFilterNullOperator;
  void GetSymbol(AnsiString& AText) override { AText = "IS"; }
};

class TcxFilterSQLNotNullOperator : public TcxFilterNotNullOperator {
  PELVOR_CLASS(TcxFilterSQLNotNullOperator, TcxFilterNotNullOperator)
public:
  using TcxFilterNotNullOperator::TcxFilterNotNullOperator;
  void GetSymbol(AnsiString& AText) override { AText = "IS NOT"; }
};

class TcxDBFilterOperatorAdapter : public TcxDBAdapterItem {
  PELVOR_CLASS(TcxDBFilterOperatorAdapter, TcxDBAdapterItem)
public:
  using TcxDBAdapterItem::TcxDBAdapterItem;
  virtual void PrepareOperatorClass(TObject* ASender, TDataSet* ADataSet,
                                    TcxFilterOperatorClass& AOperatorClass);
};

// nullptr until start-up and after shut-down.
TcxDBAdapterList* FilterOperatorAdapters();
TcxDBFilterOperatorAdapter* GetFilterOperatorAdapter(TDataSet* ADataSet);
// Unit start-up and shut-down: the adapter list with the entry for every dataset.
void cxDBFilterInitialize();
void cxDBFilterFinalize();
