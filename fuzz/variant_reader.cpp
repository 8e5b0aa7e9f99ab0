// Feeds arbitrary bytes to the tagged value reader: it must either raise the stream read error or give a
// value whose encoding reads back to the same encoding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/cxVariants.h"

namespace {
// NaN is unordered, so a value holding one need not compare equal to itself.
bool HoldsNaN(const Variant& v) {
  if (VarIsArray(v)) {
    for (const Variant& element : VarArrayElements(v))
      if (HoldsNaN(element))
        return true;
    return false;
  }
  TVarType t = VarType(v);
  return (t == varDouble || t == varSingle || t == varDate) && std::isnan(v.RawDouble());
}

std::vector<unsigned char> Encode(const Variant& v) {
  TMemoryStream s;
  WriteVariant(&s, v);
  auto* p = static_cast<const unsigned char*>(s.Memory());
  return std::vector<unsigned char>(p, p + s.Size());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream input;
  if (size)
    input.WriteBuffer(data, std::int64_t(size));
  input.SetPosition(0);
  Variant value;
  try {
    value = ReadVariant(&input);
  } catch (const EReadError&) {
    return 0;
  }
  if (input.Position() > std::int64_t(size))
    std::abort();
  std::vector<unsigned char> first = Encode(value);
  TMemoryStream again;
  again.WriteBuffer(first.data(), std::int64_t(first.size()));
  again.SetPosition(0);
  Variant back = ReadVariant(&again);
  if (again.Position() != again.Size() || Encode(back) != first)
    std::abort();
  // Comparison never raises and is reflexive for what the reader produces, NaN aside.
  if (!HoldsNaN(value) && (VarCompare(value, back) != 0 || VarCompare(back, value) != 0))
    std::abort();
  (void)VarToStr(VarIsArray(value) ? Variant() : value);
  return 0;
}
