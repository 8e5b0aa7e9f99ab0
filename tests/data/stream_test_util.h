#pragma once
#include <string>
#include <vector>

#include "platform/classes/Streams.h"

// Bytes written into a memory stream, and a memory stream over given bytes, for golden-byte checks.
inline std::vector<unsigned char> StreamBytes(TMemoryStream& s) {
  auto* p = static_cast<const unsigned char*>(s.Memory());
  return std::vector<unsigned char>(p, p + s.Size());
}

inline void LoadBytes(TMemoryStream& s, const std::vector<unsigned char>& bytes) {
  s.Clear();
  if (!bytes.empty())
    s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
}
