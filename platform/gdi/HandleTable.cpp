#include "platform/gdi/HandleTable.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace gdi {
namespace {

struct Slot {
  std::unique_ptr<GdiObject> object;
  std::uint32_t generation = 1;
};

struct Table {
  std::vector<Slot> slots;
  // Freed slots are reused oldest first so that a just-freed handle is not handed out again at once.
  std::deque<std::uint32_t> freeSlots;
  int live = 0;
};

Table& TheTable() {
  static Table table;
  return table;
}

// Handle bits: slot index + 1 in the low 32 bits, generation in the high 32 bits.
HGDIOBJ Encode(std::uint32_t index, std::uint32_t generation) {
  return reinterpret_cast<HGDIOBJ>((std::uintptr_t(generation) << 32) | (std::uintptr_t(index) + 1));
}

Slot* Decode(HGDIOBJ handle) {
  auto bits = reinterpret_cast<std::uintptr_t>(handle);
  std::uint32_t low = std::uint32_t(bits & 0xFFFFFFFFu);
  std::uint32_t generation = std::uint32_t(bits >> 32);
  Table& table = TheTable();
  if (low == 0 || low > table.slots.size())
    return nullptr;
  Slot& slot = table.slots[low - 1];
  if (slot.generation != generation || !slot.object)
    return nullptr;
  return &slot;
}

} // namespace

static_assert(sizeof(std::uintptr_t) == 8, "handles carry a 32-bit generation beside the slot index");

HGDIOBJ InsertObject(std::unique_ptr<GdiObject> object) {
  if (!object)
    return nullptr;
  Table& table = TheTable();
  std::uint32_t index;
  if (table.freeSlots.size() > 64) {
    index = table.freeSlots.front();
    table.freeSlots.pop_front();
  } else {
    index = std::uint32_t(table.slots.size());
    table.slots.emplace_back();
  }
  table.slots[index].object = std::move(object);
  ++table.live;
  return Encode(index, table.slots[index].generation);
}

GdiObject* LookupObject(HGDIOBJ handle) {
  Slot* slot = Decode(handle);
  return slot ? slot->object.get() : nullptr;
}

bool RemoveObject(HGDIOBJ handle) {
  Slot* slot = Decode(handle);
  if (!slot)
    return false;
  // Retire the handle before the destructor runs, so that code it calls sees the handle as stale.
  std::unique_ptr<GdiObject> doomed = std::move(slot->object);
  ++slot->generation;
  Table& table = TheTable();
  table.freeSlots.push_back(std::uint32_t(slot - table.slots.data()));
  --table.live;
  doomed.reset();
  return true;
}

void AddSelection(HGDIOBJ handle) {
  if (GdiObject* object = LookupObject(handle))
    ++object->selectCount;
}

void ReleaseSelection(HGDIOBJ handle) {
  GdiObject* object = LookupObject(handle);
  if (!object || object->selectCount == 0)
    return;
  if (--object->selectCount == 0 && object->deletePending)
    RemoveObject(handle);
}

int LiveObjectCount() {
  return TheTable().live;
}

} // namespace gdi

DWORD GdiObject::ObjectType() const {
  switch (kind_) {
  case GdiKind::DC:
    return OBJ_DC;
  case GdiKind::Pen:
    return OBJ_PEN;
  case GdiKind::Brush:
    return OBJ_BRUSH;
  case GdiKind::Font:
    return OBJ_FONT;
  case GdiKind::Bitmap:
    return OBJ_BITMAP;
  case GdiKind::Region:
    return OBJ_REGION;
  case GdiKind::Palette:
    return OBJ_PAL;
  }
  return 0;
}

DWORD GetObjectType(HGDIOBJ handle) {
  GdiObject* object = gdi::LookupObject(handle);
  return object ? object->ObjectType() : 0;
}
