#include "platform/db/DBParams.h"

#include <vector>

namespace {

std::vector<AnsiString> SplitNames(const AnsiString& ANames) {
  std::vector<AnsiString> names;
  std::size_t pos = 0;
  while (pos <= ANames.size()) {
    std::size_t end = ANames.find(';', pos);
    if (end == AnsiString::npos)
      end = ANames.size();
    AnsiString name = Trim(std::string_view(ANames).substr(pos, end - pos));
    if (!name.empty())
      names.push_back(name);
    pos = end + 1;
  }
  return names;
}

} // namespace

void TParam::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TParam*>(Source)) {
    Name = p->Name;
    DataType = p->DataType;
    FValue = p->FValue;
    return;
  }
  TCollectionItem::Assign(Source);
}

TParam* TParams::CreateParam(TFieldType AType, const AnsiString& AName) {
  auto* param = static_cast<TParam*>(Add());
  param->Name = AName;
  param->DataType = AType;
  return param;
}

TParam* TParams::FindParam(const AnsiString& AName) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name, AName))
      return Items(i);
  return nullptr;
}

TParam* TParams::ParamByName(const AnsiString& AName) const {
  TParam* param = FindParam(AName);
  if (!param)
    throw EDatabaseError("Parameter '" + AName + "' not found");
  return param;
}

Variant TParams::ParamValues(const AnsiString& ANames) const {
  std::vector<AnsiString> names = SplitNames(ANames);
  if (names.size() == 1)
    return ParamByName(names[0])->Value();
  std::vector<Variant> values;
  for (const AnsiString& name : names)
    values.push_back(ParamByName(name)->Value());
  return VarArrayOf(values);
}

void TParams::SetParamValues(const AnsiString& ANames, const Variant& AValues) {
  std::vector<AnsiString> names = SplitNames(ANames);
  if (names.size() == 1) {
    ParamByName(names[0])->SetValue(AValues);
    return;
  }
  if (!VarIsArray(AValues) || VarArrayElements(AValues).size() != names.size())
    throw EDatabaseError("The values of " + IntToStr(static_cast<long long>(names.size())) +
                         " parameters need an array of as many values");
  for (std::size_t i = 0; i < names.size(); ++i)
    ParamByName(names[i])->SetValue(VarArrayElements(AValues)[i]);
}
