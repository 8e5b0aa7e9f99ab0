// Feeds arbitrary bytes to the filter criteria's binary and component stream readers: a damaged stream must
// raise the stream read error and leave the criteria empty; a stream that reads must write back to bytes that
// read to the same tree, and the tree must evaluate and render without crashing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "data/cxFilter.h"
#include "platform/classes/Streams.h"

namespace {

struct Column : TObject {
  explicit Column(int AIndex) : Index(AIndex) {}
  int Index;
};

using Record = std::vector<Variant>;

class FuzzItem : public TcxFilterCriteriaItem {
  PELVOR_CLASS(FuzzItem, TcxFilterCriteriaItem)
public:
  using TcxFilterCriteriaItem::TcxFilterCriteriaItem;
  void GetDataValue(void* AData, Variant& AValue) override {
    auto* column = static_cast<Column*>(ItemLink());
    AValue = column ? (*static_cast<Record*>(AData))[std::size_t(column->Index)] : Null;
  }
  AnsiString GetFieldName() override {
    return ItemLink() ? "F" + IntToStr(static_cast<Column*>(ItemLink())->Index) : "";
  }
};

class FuzzCriteria : public TcxFilterCriteria {
  PELVOR_CLASS(FuzzCriteria, TcxFilterCriteria)
public:
  FuzzCriteria() {
    for (int i = 0; i < 4; ++i)
      Columns.push_back(std::make_unique<Column>(i));
  }
  TcxFilterCriteriaItemClass GetItemClass() override { return ClassOf<FuzzItem>(); }
  int GetIDByItemLink(TcxItemLink AItemLink) override {
    return AItemLink ? static_cast<Column*>(AItemLink)->Index : -1;
  }
  TcxItemLink GetItemLinkByID(int AID) override {
    return AID >= 0 && AID < 4 ? Columns[std::size_t(AID)].get() : nullptr;
  }
  std::vector<std::unique_ptr<Column>> Columns;
};

std::vector<unsigned char> Bytes(TMemoryStream& s) {
  auto* p = static_cast<const unsigned char*>(s.Memory());
  return std::vector<unsigned char>(p, p + s.Size());
}

} // namespace

// The component form reads through the properties that the unit's start-up registers.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  cxFilterInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream input;
  if (size)
    input.WriteBuffer(data, std::int64_t(size));

  FuzzCriteria criteria;
  input.SetPosition(0);
  try {
    criteria.ReadData(&input);
  } catch (const EReadError&) {
    if (!criteria.IsEmpty())
      std::abort();
  }
  if (!criteria.IsEmpty()) {
    TMemoryStream written;
    criteria.WriteData(&written);
    written.SetPosition(0);
    FuzzCriteria copy;
    copy.ReadData(&written);
    TMemoryStream rewritten;
    copy.WriteData(&rewritten);
    if (Bytes(written) != Bytes(rewritten))
      std::abort();
    Record record{Variant("abc"), Variant(5), Null, Variant::FromDate(45000)};
    // Conditions may hold values their operators cannot convert; those raise the variant error by design.
    try {
      (void)criteria.IsDataMatched(&record);
    } catch (const EVariantError&) {
    }
    try {
      (void)criteria.GetFilterText();
      (void)criteria.GetFilterCaption();
    } catch (const EVariantError&) {
    } catch (const EConvertError&) {
    }
  }

  FuzzCriteria loaded;
  input.SetPosition(0);
  try {
    loaded.LoadFromStream(&input);
  } catch (const EReadError&) {
    if (!loaded.IsEmpty() || loaded.PercentWildcard() != '%')
      std::abort();
  }
  return 0;
}
