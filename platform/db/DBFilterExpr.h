#pragma once
// The filter text of a dataset: comparisons of fields with literals (=, <>, <, <=, >, >=, LIKE, IN,
// BETWEEN, IS [NOT] NULL) joined by AND, OR and NOT with parentheses. Field names are identifiers or in
// brackets; texts and dates are in single quotes, a quote inside doubled.
#include <memory>
#include <vector>

#include "platform/db/DBTypes.h"
#include "platform/rtl/Variants.h"

class TDataSet;
class TField;

class TFilterExpression {
public:
  // Parses AText and binds its field names to ADataSet's fields; EDatabaseError tells what is wrong and
  // where. With APartial, "= 'ab*'" matches texts that begin with "ab".
  TFilterExpression(const AnsiString& AText, TDataSet* ADataSet, bool ACaseInsensitive, bool APartial);
  ~TFilterExpression();
  // Parses without binding, for a filter set on a closed dataset.
  static void CheckSyntax(const AnsiString& AText);
  // Whether the record the dataset presents now (its filter record) passes.
  bool Evaluate() const;

  struct TNode;

private:
  std::unique_ptr<TNode> FRoot;
  bool FCaseInsensitive;
  bool FPartial;
};
