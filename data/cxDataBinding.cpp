#include "data/cxDataBinding.h"

void TcxCustomDataBinding::DataChanged() {
  if (OnDataChange.Assigned())
    OnDataChange(this);
}

void TcxCustomDataBinding::DataSetChanged() {
  if (OnDataSetChange.Assigned())
    OnDataSetChange(this);
}

void TcxCustomDataBinding::UpdateData() {
  if (OnUpdateData.Assigned())
    OnUpdateData(this);
}
