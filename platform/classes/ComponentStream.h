#pragma once
// Binary component streaming: a component's published properties, and the properties its classes define
// themselves, as the platform's component stream ("TPF0" signature, a record per component).
//
// There is no run-time type information here, so a class declares its published properties once, in
// declaration order, with RegisterPublishedProperties; the writer and reader walk those lists from the root
// class down, then call DefineProperties.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Streams.h"

enum TValueType : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20
};

enum class TPropType { Integer, Char, Boolean, Enumeration, Set, String, Class };

// One published property: its kind, typed access through the object, and the default that is not written.
struct TPropInfo {
  TPropInfo() = default;
  TPropInfo(AnsiString AName, TPropType AType) : Name(std::move(AName)), Type(AType) {}

  AnsiString Name;
  TPropType Type = TPropType::Integer;
  // Integer, Char, Boolean and Enumeration values as ordinals; a Set as the bit mask of its elements.
  std::function<std::int64_t(TPersistent*)> GetOrd;
  std::function<void(TPersistent*, std::int64_t)> SetOrd;
  std::function<AnsiString(TPersistent*)> GetStr;
  std::function<void(TPersistent*, const AnsiString&)> SetStr;
  // A class property's object, whose own properties are streamed under "Name."; a collection's items follow
  // as the value of "Name" itself.
  std::function<TPersistent*(TPersistent*)> GetObject;
  // Whether the value is written; unset, a value equal to Default (or an empty string) is left out.
  std::function<bool(TPersistent*)> IsStored;
  // Names of the enumeration's values, or of the set's elements, by ordinal.
  std::vector<AnsiString> ElementNames;
  std::optional<std::int64_t> Default;
};

// Properties of AClass itself, in declaration order; inherited ones are registered with the ancestor.
void RegisterPublishedProperties(TClass AClass, std::vector<TPropInfo> AProperties);
void UnregisterPublishedProperties(TClass AClass);
// Every published property of AClass, the root class's first.
std::vector<const TPropInfo*> GetPublishedProperties(TClass AClass);

class TReader;
class TWriter;
using TReaderProc = std::function<void(TReader*)>;
using TWriterProc = std::function<void(TWriter*)>;
using TStreamProc = std::function<void(TStream*)>;

class TFiler : public TObject {
  PELVOR_CLASS(TFiler, TObject)
public:
  explicit TFiler(TStream* Stream) : FStream(Stream) {}

  // A property the object streams itself, written and read through the filer's own value routines.
  virtual void DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                              bool HasData) = 0;
  // A property kept as a block of bytes.
  virtual void DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc WriteData,
                                    bool HasData) = 0;

  TComponent* Root() const { return FRoot; }
  TStream* Stream() const { return FStream; }

protected:
  TStream* FStream; // borrowed
  TComponent* FRoot = nullptr;
};

class TWriter : public TFiler {
  PELVOR_CLASS(TWriter, TFiler)
public:
  using TFiler::TFiler;

  void DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

  // Signature, then the component record of Instance with its published and defined properties.
  void WriteRootComponent(TComponent* Instance);
  void WriteComponent(TComponent* Instance);

  void WriteInteger(std::int64_t Value);
  void WriteBoolean(bool Value);
  void WriteChar(char Value);
  void WriteString(const AnsiString& Value);
  void WriteIdent(const AnsiString& Ident);
  void WriteListBegin();
  void WriteListEnd();
  void WriteValue(TValueType Value);

private:
  void WriteShortString(const AnsiString& Value);
  void WritePropName(const AnsiString& Name);
  void WriteProperties(TPersistent* Instance);
  void WriteProperty(TPersistent* Instance, const TPropInfo& Prop);
  void WriteCollection(TCollection* Collection);
  AnsiString FPropPath;
};

class TReader : public TFiler {
  PELVOR_CLASS(TReader, TFiler)
public:
  using TFiler::TFiler;

  void DefineProperty(const AnsiString& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const AnsiString& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

  // Reads the signature and one component record into Instance, then lets it finish loading. A damaged or
  // foreign stream raises EReadError; an unknown property raises EReadError naming it.
  void ReadRootComponent(TComponent* Instance);

  std::int64_t ReadInteger();
  bool ReadBoolean();
  char ReadChar();
  AnsiString ReadString();
  AnsiString ReadIdent();
  void ReadListBegin();
  void ReadListEnd();
  bool EndOfList();
  TValueType ReadValue();
  TValueType NextValue();

private:
  std::uint8_t PeekByte();
  AnsiString ReadShortString();
  void ReadProperty(TPersistent* Instance);
  void ReadPropValue(TPersistent* Instance, const TPropInfo& Prop);
  void ReadCollection(TCollection* Collection);
  void CheckValue(TValueType Expected);
  AnsiString FPropName;
  bool FPropertyFound = false;
};

// The stream helpers of the platform: a component as a root record.
void WriteComponent(TStream* Stream, TComponent* Instance);
void ReadComponent(TStream* Stream, TComponent* Instance);
