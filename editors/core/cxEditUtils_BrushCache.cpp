#include "editors/core/cxEditUtils.h"

#include <algorithm>

#include "editors/core/cxEditUtils_Internal_p.h"
#include "platform/gdi/Gdi.h"

namespace {

constexpr int SystemColorBrushCount = 31;
constexpr int GlobalCacheCapacity = 128;

std::array<HBRUSH, SystemColorBrushCount> SystemColorBrushes{};
bool SystemColorBrushesTaken = false;
TcxSolidBrushCache* GlobalCache = nullptr; // owned while the unit runs

} // namespace

TcxSolidBrushCache::TcxSolidBrushCache(int ACapacity)
    : FColors(std::size_t(std::max(ACapacity, 1))), FBrushes(FColors.size()), FRefCounts(FColors.size()),
      FLastUse(FColors.size()), FCapacity(int(FColors.size())),
      FSystemPaletteChangedNotifier(std::make_unique<TcxSystemPaletteChangedNotifier>()) {
  FSystemPaletteChangedNotifier->OnSystemPaletteChanged =
      TNotifyEvent(this, &TcxSolidBrushCache::PaletteChanged);
}

TcxSolidBrushCache::~TcxSolidBrushCache() {
  FSystemPaletteChangedNotifier.reset();
  for (int i = 0; i < FCount; ++i)
    DeleteObject(FBrushes[std::size_t(i)]);
}

void TcxSolidBrushCache::PaletteChanged(TObject*) {
  SystemPaletteChanged();
}

void TcxSolidBrushCache::SystemPaletteChanged() {
  for (int i = 0; i < FCount; ++i)
    DeleteObject(FBrushes[std::size_t(i)]);
  FCount = 0;
}

void TcxSolidBrushCache::Delete(int AIndex) {
  auto i = std::size_t(AIndex);
  DeleteObject(FBrushes[i]);
  auto end = std::size_t(FCount);
  std::move(FColors.begin() + long(i) + 1, FColors.begin() + long(end), FColors.begin() + long(i));
  std::move(FBrushes.begin() + long(i) + 1, FBrushes.begin() + long(end), FBrushes.begin() + long(i));
  std::move(FRefCounts.begin() + long(i) + 1, FRefCounts.begin() + long(end), FRefCounts.begin() + long(i));
  std::move(FLastUse.begin() + long(i) + 1, FLastUse.begin() + long(end), FLastUse.begin() + long(i));
  --FCount;
}

HBRUSH TcxSolidBrushCache::GetBrush(TColor AColor) {
  const auto key = std::uint32_t(AColor);
  if (key >= std::uint32_t(clSystemColor) && key < std::uint32_t(clSystemColor) + SystemColorBrushCount &&
      SystemColorBrushesTaken)
    return SystemColorBrushes[key & 0xFF];
  ++FRequests;
  auto begin = FColors.begin();
  auto at = std::lower_bound(begin, begin + FCount, key,
                             [](TColor C, std::uint32_t K) { return std::uint32_t(C) < K; });
  int index = int(at - begin);
  if (index < FCount && std::uint32_t(FColors[std::size_t(index)]) == key) {
    ++FRefCounts[std::size_t(index)];
    FLastUse[std::size_t(index)] = FRequests;
    return FBrushes[std::size_t(index)];
  }
  if (FCount == FCapacity) {
    // The least asked-for entry goes, the first in colour order among equals; entries handed out by the
    // last few requests are spared, since their callers may still be painting with them.
    const unsigned kept = unsigned(std::min(RecentlyUsedKept, FCapacity - 1));
    int victim = -1;
    for (int i = 0; i < FCount; ++i) {
      if (FRequests - FLastUse[std::size_t(i)] <= kept)
        continue;
      if (victim < 0 || FRefCounts[std::size_t(i)] < FRefCounts[std::size_t(victim)])
        victim = i;
    }
    Delete(victim);
    if (victim < index)
      --index;
  }
  auto i = std::size_t(index);
  auto end = std::size_t(FCount);
  std::move_backward(FColors.begin() + long(i), FColors.begin() + long(end), FColors.begin() + long(end) + 1);
  std::move_backward(FBrushes.begin() + long(i), FBrushes.begin() + long(end),
                     FBrushes.begin() + long(end) + 1);
  std::move_backward(FRefCounts.begin() + long(i), FRefCounts.begin() + long(end),
                     FRefCounts.begin() + long(end) + 1);
  std::move_backward(FLastUse.begin() + long(i), FLastUse.begin() + long(end),
                     FLastUse.begin() + long(end) + 1);
  ++FCount;
  FColors[i] = AColor;
  FBrushes[i] = CreateSolidBrush(COLORREF(ColorToRGB(AColor)));
  // The brush has been asked for once: counting it as never asked for would make it the first to go.
  FRefCounts[i] = 1;
  FLastUse[i] = FRequests;
  return FBrushes[i];
}

TcxSolidBrushCache* SolidBrushCache() {
  return GlobalCache;
}

HBRUSH GetSolidBrush(TColor AColor) {
  if (!GlobalCache)
    throw EInvalidOperation("The solid brush cache is used before its unit started");
  return GlobalCache->GetBrush(AColor);
}

HBRUSH GetSolidBrushForCanvas(TCanvas*, TColor AColor) {
  return GetSolidBrush(AColor);
}

HBRUSH GetSolidBrushForCanvas(TcxCanvas*, TColor AColor) {
  return GetSolidBrush(AColor);
}

void cxEditUtilsBrushesInitialize() {
  for (int i = 0; i < SystemColorBrushCount; ++i)
    SystemColorBrushes[std::size_t(i)] = GetSysColorBrush(i);
  SystemColorBrushesTaken = true;
  GlobalCache = new TcxSolidBrushCache(GlobalCacheCapacity);
}

void cxEditUtilsBrushesFinalize() {
  delete GlobalCache;
  GlobalCache = nullptr;
  // The system's brushes are not the unit's to delete.
  SystemColorBrushes.fill(nullptr);
  SystemColorBrushesTaken = false;
}
