#include "data/cxDBFilter.h"

namespace {
std::unique_ptr<TcxDBAdapterList, TObjectDeleter>& AdapterList() {
  static std::unique_ptr<TcxDBAdapterList, TObjectDeleter> list;
  return list;
}
} // namespace

void TcxDBFilterOperatorAdapter::PrepareOperatorClass(TObject* ASender, TDataSet* ADataSet,
                                                      TcxFilterOperatorClass& AOperatorClass) {
  (void)ASender;
  if (!ADataSet || !AOperatorClass->InheritsFrom(ClassOf<TcxFilterNullOperator>()))
    return;
  if (AnsiUpperCase(ADataSet->ClassName()).find("QUERY") == AnsiString::npos)
    return;
  AOperatorClass = AOperatorClass->InheritsFrom(ClassOf<TcxFilterNotNullOperator>())
                       ? ClassOf<TcxFilterSQLNotNullOperator>()
                       : ClassOf<TcxFilterSQLNullOperator>();
}

TcxDBAdapterList* FilterOperatorAdapters() {
  return AdapterList().get();
}

TcxDBFilterOperatorAdapter* GetFilterOperatorAdapter(TDataSet* ADataSet) {
  TcxDBAdapterList* list = FilterOperatorAdapters();
  if (!ADataSet || !list)
    return nullptr;
  int index;
  if (!list->FindAdapter(ADataSet->ClassType(), index))
    return nullptr;
  return dynamic_cast<TcxDBFilterOperatorAdapter*>(list->Items(index));
}

void cxDBFilterInitialize() {
  AdapterList().reset(new TcxDBAdapterList());
  AdapterList()->RegisterAdapter(ClassOf<TDataSet>(), ClassOf<TcxDBFilterOperatorAdapter>());
}

void cxDBFilterFinalize() {
  AdapterList().reset();
}
