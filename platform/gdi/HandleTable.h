#pragma once
// The table behind every graphics handle. A handle names a slot and the slot's generation, so a handle
// to a deleted object, or to an object of another kind, resolves to nullptr instead of a dangling pointer.
#include <memory>

#include "platform/gdi/GdiDefs.h"

enum class GdiKind : unsigned char { DC, Pen, Brush, Font, Bitmap, Region, Palette };

class GdiObject {
public:
  explicit GdiObject(GdiKind kind) : kind_(kind) {}
  virtual ~GdiObject() = default;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  GdiKind Kind() const { return kind_; }
  // The OBJ_ code GetObjectType answers; memory device contexts answer OBJ_MEMDC.
  virtual DWORD ObjectType() const;
  // GetObject: fills the kind's record (LOGPEN, LOGBRUSH, BITMAP, LOGFONT ...) and answers the bytes written,
  // or the record's size when buffer is null; 0 when size is too small.
  virtual int Describe(int size, void* buffer) const = 0;
  // GetObjectW; only records with text (LOGFONT) differ from GetObjectA.
  virtual int DescribeW(int size, void* buffer) const { return Describe(size, buffer); }
  // Stock objects survive DeleteObject; the platform answers TRUE and keeps them.
  bool IsStock() const { return stock_; }
  void MarkStock() { stock_ = true; }
  // How many device contexts have this object selected; a selected object cannot be deleted.
  int selectCount = 0;
  // DeleteObject of a selected pen, brush or font succeeds and takes effect when it is deselected.
  bool deletePending = false;

private:
  GdiKind kind_;
  bool stock_ = false;
};

namespace gdi {

// The table takes ownership; the handle is never null for a non-null object.
HGDIOBJ InsertObject(std::unique_ptr<GdiObject> object);
GdiObject* LookupObject(HGDIOBJ handle);
// Frees the object and retires the handle; false for a stale handle.
bool RemoveObject(HGDIOBJ handle);
// Selection bookkeeping of device contexts; Release deletes an object whose deletion was deferred.
void AddSelection(HGDIOBJ handle);
void ReleaseSelection(HGDIOBJ handle);
// Live objects, for leak checks in tests.
int LiveObjectCount();

template <class T> T* Lookup(HGDIOBJ handle) {
  GdiObject* object = LookupObject(handle);
  return object && object->Kind() == T::kKind ? static_cast<T*>(object) : nullptr;
}
template <class H> HGDIOBJ ToObj(H handle) {
  return reinterpret_cast<HGDIOBJ>(handle);
}
template <class H> H FromObj(HGDIOBJ handle) {
  return reinterpret_cast<H>(handle);
}

} // namespace gdi

DWORD GetObjectType(HGDIOBJ handle);
