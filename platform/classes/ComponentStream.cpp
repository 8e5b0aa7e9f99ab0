#include "platform/classes/ComponentStream.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace {

const char kSignature[4] = {'T', 'P', 'F', '0'};
// A component stream nests class properties a few levels deep; deeper paths are damaged or hostile.
constexpr int kMaxPathDepth = 16;

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}
std::map<TClass, std::vector<TPropInfo>>& Registry() {
  static std::map<TClass, std::vector<TPropInfo>> registry;
  return registry;
}

std::int64_t StreamLeft(TStream* s) {
  std::int64_t left = s->Size() - s->Position();
  return left < 0 ? 0 : left;
}

[[noreturn]] void InvalidValue() {
  throw EReadError("Invalid property value");
}

} // namespace

void RegisterPublishedProperties(TClass AClass, std::vector<TPropInfo> AProperties) {
  std::lock_guard lock(RegistryMutex());
  Registry()[AClass] = std::move(AProperties);
}

void UnregisterPublishedProperties(TClass AClass) {
  std::lock_guard lock(RegistryMutex());
  Registry().erase(AClass);
}

std::vector<const TPropInfo*> GetPublishedProperties(TClass AClass) {
  std::vector<TClass> chain;
  for (TClass c = AClass; c; c = c->ClassParent())
    chain.push_back(c);
  std::vector<const TPropInfo*> props;
  std::lock_guard lock(RegistryMutex());
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    auto found = Registry().find(*it);
    if (found != Registry().end())
      for (const TPropInfo& p : found->second)
        props.push_back(&p);
  }
  return props;
}

void TWriter::WriteValue(TValueType Value) {
  std::uint8_t b = Value;
  FStream->WriteBuffer(&b, 1);
}

void TWriter::WriteShortString(const AnsiString& Value) {
  if (Value.size() > 255)
    throw EWriteError("Stream write error");
  std::uint8_t n = std::uint8_t(Value.size());
  FStream->WriteBuffer(&n, 1);
  if (n)
    FStream->WriteBuffer(Value.data(), n);
}

void TWriter::WriteInteger(std::int64_t Value) {
  if (Value >= -128 && Value <= 127) {
    WriteValue(vaInt8);
    std::int8_t v = std::int8_t(Value);
    FStream->WriteBuffer(&v, 1);
  } else if (Value >= -32768 && Value <= 32767) {
    WriteValue(vaInt16);
    std::uint8_t b[2] = {std::uint8_t(Value), std::uint8_t(Value >> 8)};
    FStream->WriteBuffer(b, 2);
  } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
    WriteValue(vaInt32);
    std::uint8_t b[4];
    for (int i = 0; i < 4; ++i)
      b[i] = std::uint8_t(std::uint64_t(Value) >> (8 * i));
    FStream->WriteBuffer(b, 4);
  } else {
    WriteValue(vaInt64);
    std::uint8_t b[8];
    for (int i = 0; i < 8; ++i)
      b[i] = std::uint8_t(std::uint64_t(Value) >> (8 * i));
    FStream->WriteBuffer(b, 8);
  }
}

void TWriter::WriteBoolean(bool Value) {
  WriteValue(Value ? vaTrue : vaFalse);
}

void TWriter::WriteChar(char Value) {
  WriteString(AnsiString(1, Value));
}

void TWriter::WriteString(const AnsiString& Value) {
  if (Value.size() <= 255) {
    WriteValue(vaString);
    WriteShortString(Value);
    return;
  }
  if (Value.size() > 0x7FFFFFFF)
    throw EWriteError("Stream write error");
  WriteValue(vaLString);
  std::uint32_t n = std::uint32_t(Value.size());
  std::uint8_t b[4] = {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
  FStream->WriteBuffer(b, 4);
  FStream->WriteBuffer(Value.data(), std::int64_t(n));
}

void TWriter::WriteIdent(const AnsiString& Ident) {
  if (SameText(Ident, "False"))
    WriteValue(vaFalse);
  else if (SameText(Ident, "True"))
    WriteValue(vaTrue);
  else if (SameText(Ident, "nil"))
    WriteValue(vaNil);
  else {
    WriteValue(vaIdent);
    WriteShortString(Ident);
  }
}

void TWriter::WriteListBegin() {
  WriteValue(vaList);
}

void TWriter::WriteListEnd() {
  WriteValue(vaNull);
}

void TWriter::WritePropName(const AnsiString& Name) {
  WriteShortString(FPropPath + Name);
}

void TWriter::DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                             bool HasData) {
  (void)ReadData;
  if (!HasData || !WriteData)
    return;
  WritePropName(Name);
  WriteData(this);
}

void TWriter::DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc WriteData,
                                   bool HasData) {
  (void)ReadData;
  if (!HasData || !WriteData)
    return;
  WritePropName(Name);
  TMemoryStream data;
  WriteData(&data);
  if (data.Size() > 0x7FFFFFFF)
    throw EWriteError("Stream write error");
  WriteValue(vaBinary);
  std::uint32_t n = std::uint32_t(data.Size());
  std::uint8_t b[4] = {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
  FStream->WriteBuffer(b, 4);
  if (n)
    FStream->WriteBuffer(data.Memory(), std::int64_t(n));
}

void TWriter::WriteProperty(TPersistent* Instance, const TPropInfo& Prop) {
  switch (Prop.Type) {
  case TPropType::Class: {
    TPersistent* object = Prop.GetObject(Instance);
    if (!object || (Prop.IsStored && !Prop.IsStored(Instance)))
      return;
    AnsiString saved = FPropPath;
    FPropPath += Prop.Name + ".";
    WriteProperties(object);
    FPropPath = saved;
    auto* collection = dynamic_cast<TCollection*>(object);
    if (collection && collection->Count() > 0) {
      WritePropName(Prop.Name);
      WriteCollection(collection);
    }
    return;
  }
  case TPropType::String: {
    AnsiString value = Prop.GetStr(Instance);
    if (Prop.IsStored ? !Prop.IsStored(Instance) : value.empty())
      return;
    WritePropName(Prop.Name);
    WriteString(value);
    return;
  }
  default:
    break;
  }
  std::int64_t value = Prop.GetOrd(Instance);
  if ((Prop.Default && *Prop.Default == value) || (Prop.IsStored && !Prop.IsStored(Instance)))
    return;
  WritePropName(Prop.Name);
  switch (Prop.Type) {
  case TPropType::Integer:
    WriteInteger(value);
    break;
  case TPropType::Char:
    WriteChar(char(value));
    break;
  case TPropType::Boolean:
    WriteBoolean(value != 0);
    break;
  case TPropType::Enumeration:
    // A value without a name could not be read back, so the stream would silently lose it.
    if (value < 0 || std::uint64_t(value) >= Prop.ElementNames.size())
      throw EWriteError("Stream write error");
    WriteIdent(Prop.ElementNames[std::size_t(value)]);
    break;
  case TPropType::Set: {
    std::size_t names = std::min<std::size_t>(Prop.ElementNames.size(), 64);
    if (names < 64 && (std::uint64_t(value) >> names) != 0)
      throw EWriteError("Stream write error");
    WriteValue(vaSet);
    for (std::size_t i = 0; i < names; ++i)
      if (value & (std::int64_t(1) << i))
        WriteShortString(Prop.ElementNames[i]);
    WriteShortString(AnsiString());
    break;
  }
  default:
    break;
  }
}

void TWriter::WriteCollection(TCollection* Collection) {
  WriteValue(vaCollection);
  // Item properties are named from the item, not from the property that holds the collection.
  AnsiString saved = FPropPath;
  FPropPath.clear();
  for (int i = 0; i < Collection->Count(); ++i) {
    WriteListBegin();
    WriteProperties(Collection->Items(i));
    WriteListEnd();
  }
  FPropPath = saved;
  WriteListEnd();
}

void TWriter::WriteProperties(TPersistent* Instance) {
  for (const TPropInfo* prop : GetPublishedProperties(Instance->ClassType()))
    WriteProperty(Instance, *prop);
  Instance->DefineProperties(this);
}

void TWriter::WriteComponent(TComponent* Instance) {
  Instance->FComponentState.Include(csWriting);
  try {
    WriteShortString(Instance->ClassName());
    WriteShortString(Instance->Name());
    WriteProperties(Instance);
    WriteListEnd();
    WriteListEnd(); // no child components
  } catch (...) {
    Instance->FComponentState.Exclude(csWriting);
    throw;
  }
  Instance->FComponentState.Exclude(csWriting);
}

void TWriter::WriteRootComponent(TComponent* Instance) {
  FRoot = Instance;
  FStream->WriteBuffer(kSignature, 4);
  WriteComponent(Instance);
}

TValueType TReader::ReadValue() {
  std::uint8_t b;
  FStream->ReadBuffer(&b, 1);
  if (b > vaUTF8String)
    throw EReadError("Invalid property value");
  return TValueType(b);
}

std::uint8_t TReader::PeekByte() {
  std::uint8_t b;
  FStream->ReadBuffer(&b, 1);
  FStream->Seek(-1, soCurrent);
  return b;
}

TValueType TReader::NextValue() {
  std::uint8_t b = PeekByte();
  if (b > vaUTF8String)
    throw EReadError("Invalid property value");
  return TValueType(b);
}

// A list ends with a zero byte where the next name's length would stand, so any other byte is a name.
bool TReader::EndOfList() {
  return PeekByte() == vaNull;
}

void TReader::CheckValue(TValueType Expected) {
  if (ReadValue() != Expected)
    InvalidValue();
}

void TReader::ReadListBegin() {
  CheckValue(vaList);
}

void TReader::ReadListEnd() {
  CheckValue(vaNull);
}

AnsiString TReader::ReadShortString() {
  std::uint8_t n;
  FStream->ReadBuffer(&n, 1);
  AnsiString s(n, '\0');
  if (n)
    FStream->ReadBuffer(s.data(), n);
  return s;
}

std::int64_t TReader::ReadInteger() {
  TValueType t = ReadValue();
  int size = t == vaInt8 ? 1 : t == vaInt16 ? 2 : t == vaInt32 ? 4 : t == vaInt64 ? 8 : 0;
  if (size == 0)
    InvalidValue();
  std::uint8_t b[8] = {};
  FStream->ReadBuffer(b, size);
  std::uint64_t u = 0;
  for (int i = size - 1; i >= 0; --i)
    u = (u << 8) | b[i];
  // Sign-extend from the width that was read.
  int shift = 64 - 8 * size;
  return std::int64_t(u << shift) >> shift;
}

bool TReader::ReadBoolean() {
  TValueType t = ReadValue();
  if (t != vaTrue && t != vaFalse)
    InvalidValue();
  return t == vaTrue;
}

char TReader::ReadChar() {
  AnsiString s = ReadString();
  if (s.size() != 1)
    InvalidValue();
  return s[0];
}

AnsiString TReader::ReadString() {
  TValueType t = ReadValue();
  if (t == vaString)
    return ReadShortString();
  if (t != vaLString && t != vaWString && t != vaUTF8String)
    InvalidValue();
  std::uint8_t b[4];
  FStream->ReadBuffer(b, 4);
  std::int64_t n = std::int64_t(std::uint32_t(b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24));
  std::int64_t unit = t == vaWString ? 2 : 1;
  if (n > StreamLeft(FStream) / unit)
    throw EReadError("Stream read error");
  std::string bytes(std::size_t(n * unit), '\0');
  if (n)
    FStream->ReadBuffer(bytes.data(), n * unit);
  if (t == vaWString) {
    WideString w(std::size_t(n), u'\0');
    for (std::size_t i = 0; i < w.size(); ++i)
      w[i] = char16_t(std::uint8_t(bytes[2 * i]) | std::uint8_t(bytes[2 * i + 1]) << 8);
    return WideToAnsi(w);
  }
  return t == vaUTF8String ? Utf8ToAnsi(bytes) : bytes;
}

AnsiString TReader::ReadIdent() {
  switch (ReadValue()) {
  case vaIdent:
    return ReadShortString();
  case vaFalse:
    return "False";
  case vaTrue:
    return "True";
  case vaNil:
    return "nil";
  default:
    InvalidValue();
  }
}

void TReader::DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                             bool HasData) {
  (void)WriteData;
  (void)HasData;
  if (FPropertyFound || !ReadData || !SameText(Name, FPropName))
    return;
  ReadData(this);
  FPropertyFound = true;
}

void TReader::DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc WriteData,
                                   bool HasData) {
  (void)WriteData;
  (void)HasData;
  if (FPropertyFound || !ReadData || !SameText(Name, FPropName))
    return;
  CheckValue(vaBinary);
  std::uint8_t b[4];
  FStream->ReadBuffer(b, 4);
  std::int64_t n = std::int64_t(std::uint32_t(b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24));
  if (n > StreamLeft(FStream))
    throw EReadError("Stream read error");
  TMemoryStream data;
  data.SetSize(n);
  if (n)
    FStream->ReadBuffer(data.Memory(), n);
  data.SetPosition(0);
  ReadData(&data);
  FPropertyFound = true;
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo& Prop) {
  switch (Prop.Type) {
  case TPropType::Integer:
    Prop.SetOrd(Instance, ReadInteger());
    break;
  case TPropType::Char:
    Prop.SetOrd(Instance, std::uint8_t(ReadChar()));
    break;
  case TPropType::Boolean:
    Prop.SetOrd(Instance, ReadBoolean() ? 1 : 0);
    break;
  case TPropType::Enumeration: {
    AnsiString ident = ReadIdent();
    for (std::size_t i = 0; i < Prop.ElementNames.size(); ++i)
      if (SameText(Prop.ElementNames[i], ident)) {
        Prop.SetOrd(Instance, std::int64_t(i));
        return;
      }
    InvalidValue();
  }
  case TPropType::Set: {
    CheckValue(vaSet);
    std::int64_t mask = 0;
    for (;;) {
      AnsiString name = ReadShortString();
      if (name.empty())
        break;
      std::size_t i = 0;
      while (i < Prop.ElementNames.size() && !SameText(Prop.ElementNames[i], name))
        ++i;
      if (i == Prop.ElementNames.size() || i >= 64)
        InvalidValue();
      mask |= std::int64_t(1) << i;
    }
    Prop.SetOrd(Instance, mask);
    break;
  }
  case TPropType::String:
    Prop.SetStr(Instance, ReadString());
    break;
  case TPropType::Class:
    InvalidValue();
  }
}

void TReader::ReadCollection(TCollection* Collection) {
  CheckValue(vaCollection);
  // One change for the whole collection, reported once every item is whole.
  TUpdateBlock<TCollection> update(*Collection);
  Collection->Clear();
  while (!EndOfList()) {
    // Streams of other writers may put an item's index before it.
    TValueType next = NextValue();
    if (next == vaInt8 || next == vaInt16 || next == vaInt32)
      ReadInteger();
    ReadListBegin();
    TCollectionItem* item = Collection->Add();
    while (!EndOfList())
      ReadProperty(item);
    ReadListEnd();
  }
  ReadListEnd();
}

void TReader::ReadProperty(TPersistent* Instance) {
  AnsiString path = ReadShortString();
  if (path.empty())
    throw EReadError("Invalid property path");
  // Walk "A.B.C": every part before the last names a class property of the object reached so far.
  TPersistent* target = Instance;
  std::size_t start = 0;
  int depth = 0;
  for (;;) {
    std::size_t dot = path.find('.', start);
    if (dot == AnsiString::npos)
      break;
    if (++depth > kMaxPathDepth)
      throw EReadError("Invalid property path");
    AnsiString part = path.substr(start, dot - start);
    TPersistent* next = nullptr;
    for (const TPropInfo* prop : GetPublishedProperties(target->ClassType()))
      if (prop->Type == TPropType::Class && SameText(prop->Name, part)) {
        next = prop->GetObject(target);
        break;
      }
    if (!next)
      throw EReadError("Property " + path + " does not exist");
    target = next;
    start = dot + 1;
  }
  FPropName = path.substr(start);
  for (const TPropInfo* prop : GetPublishedProperties(target->ClassType())) {
    if (!SameText(prop->Name, FPropName))
      continue;
    if (prop->Type != TPropType::Class) {
      ReadPropValue(target, *prop);
      return;
    }
    if (auto* collection = dynamic_cast<TCollection*>(prop->GetObject(target))) {
      ReadCollection(collection);
      return;
    }
  }
  FPropertyFound = false;
  target->DefineProperties(this);
  if (!FPropertyFound)
    throw EReadError("Property " + path + " does not exist");
}

void TReader::ReadRootComponent(TComponent* Instance) {
  FRoot = Instance;
  char signature[4];
  FStream->ReadBuffer(signature, 4);
  if (std::char_traits<char>::compare(signature, kSignature, 4) != 0)
    throw EReadError("Invalid stream format");
  Instance->FComponentState.Include(csLoading);
  Instance->FComponentState.Include(csReading);
  try {
    std::uint8_t prefix = PeekByte();
    if ((prefix & 0xF0) == 0xF0)
      throw EReadError("Invalid stream format"); // inherited and inline records belong to forms
    AnsiString className = ReadShortString();
    if (!SameText(className, Instance->ClassName()))
      throw EReadError("Invalid stream format");
    AnsiString name = ReadShortString();
    try {
      if (!name.empty())
        Instance->SetName(name);
    } catch (const EComponentError& e) {
      // A name that is no identifier, or one the owner already holds, came from the stream, not the caller.
      throw EReadError(e.Message());
    }
    while (!EndOfList())
      ReadProperty(Instance);
    ReadListEnd();
    if (!EndOfList())
      throw EReadError("Child components cannot be read into " + className);
    ReadListEnd();
  } catch (...) {
    Instance->FComponentState.Exclude(csReading);
    Instance->FComponentState.Exclude(csLoading);
    throw;
  }
  Instance->FComponentState.Exclude(csReading);
  Instance->FComponentState.Exclude(csLoading);
  Instance->Loaded();
}

void WriteComponent(TStream* Stream, TComponent* Instance) {
  TWriter writer(Stream);
  writer.WriteRootComponent(Instance);
}

void ReadComponent(TStream* Stream, TComponent* Instance) {
  TReader reader(Stream);
  reader.ReadRootComponent(Instance);
}
