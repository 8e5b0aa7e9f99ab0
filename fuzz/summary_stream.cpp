// Feeds arbitrary bytes to the component stream of a data controller's summary (footer and group items,
// summary groups and their links). A damaged stream must raise the read error; whatever was read, the
// summary must still compute over grouped records and write itself out to a stream that reads back to the
// same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "data/cxCustomData.h"
#include "platform/classes/ComponentStream.h"
#include "platform/classes/UnitList.h"

namespace {

class Column : public TObject {
  PELVOR_CLASS(Column, TObject)
};

class Controller : public TcxDataController {
public:
  Controller() : TcxDataController(nullptr) {
    for (int i = 0; i < 3; ++i) {
      Columns.push_back(std::make_unique<Column>());
      AddItem(Columns.back().get());
      SetItemValueTypeClass(i, TcxIntegerValueType::Instance());
    }
  }
  TObject* GetItem(int AIndex) override { return Columns.at(std::size_t(AIndex)).get(); }
  std::vector<std::unique_ptr<Column>> Columns;
};

// A component whose one published property is the controller's summary.
class Holder : public TComponent {
  PELVOR_CLASS(Holder, TComponent)
public:
  Holder() : TComponent(nullptr) {}
  Controller Data;
};

std::vector<unsigned char> Save(Holder& AHolder) {
  TMemoryStream stream;
  WriteComponent(&stream, &AHolder);
  auto* p = static_cast<const unsigned char*>(stream.Memory());
  return std::vector<unsigned char>(p, p + stream.Size());
}

void Load(Holder& AHolder, const void* AData, std::size_t ASize) {
  TMemoryStream stream;
  if (ASize)
    stream.WriteBuffer(AData, std::int64_t(ASize));
  stream.SetPosition(0);
  ReadComponent(&stream, &AHolder);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TPropInfo summary{"Summary", TPropType::Class};
  summary.GetObject = [](TPersistent* p) -> TPersistent* { return &static_cast<Holder*>(p)->Data.Summary(); };
  RegisterPublishedProperties(ClassOf<Holder>(), {summary});
  static TUnitList units{{cxCustomDataUnit}};
  units.Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Holder target;
  target.Data.SetRecordCount(3);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      target.Data.SetValue(r, c, Variant(r % 2 + c));
  try {
    Load(target, data, size);
  } catch (const EReadError&) {
  }
  target.Data.ChangeGroupIndex(0, 0);
  try {
    target.Data.Summary().Calculate();
  } catch (const EVariantError&) {
    // A summary item may stream a kind its field's values cannot be summed in; that is the item's error.
  }
  std::vector<unsigned char> written = Save(target);
  Holder copy;
  Load(copy, written.data(), written.size());
  if (Save(copy) != written)
    std::abort();
  return 0;
}
