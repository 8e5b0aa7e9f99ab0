#pragma once
// The one ordering of values in the data engine, a few value tests, the array builders of filter conditions
// and the stream primitives, with the self-describing tagged encoding of values.
#include <cstdint>

#include "platform/classes/Streams.h"
#include "platform/rtl/Variants.h"

// -1, 0 or 1 with Null first. Values of unrelated types compare as -1 both ways, so this is no strict weak
// ordering: sort with it only by an algorithm that tolerates that (the data controller's own sorts do).
int VarCompare(const Variant& V1, const Variant& V2);
int VarArrayCompare(const Variant& V1, const Variant& V2);
bool VarEquals(const Variant& V1, const Variant& V2);
bool VarEqualsBooleanAsText(const Variant& V1, const Variant& V2);
bool IsDateVarType(TVarType AVarType);
bool VarIsDate(const Variant& V);
bool VarIsNumericOrBcd(const Variant& V);
bool VarIsSoftNull(const Variant& V);

Variant VarBetweenArrayCreate(const Variant& A, const Variant& B);
Variant VarListArrayCreate(const Variant& A);
void VarListArrayAddValue(Variant& V, const Variant& Value);

// Raises EWriteError for an array of more than one dimension or a value without a text form.
void WriteVariant(TStream* AStream, const Variant& V);
// Raises EReadError ("Stream read error") for an unknown type byte, a length or count beyond the bytes left,
// or arrays nested deeper than a stream of this kind ever holds.
Variant ReadVariant(TStream* AStream);

bool ReadBoolean(TStream* AStream);
void ReadBoolean(TStream* AStream, bool& AValue);
void WriteBoolean(TStream* AStream, bool AValue);
std::uint8_t ReadByte(TStream* AStream);
void ReadByte(TStream* AStream, std::uint8_t& AValue);
void WriteByte(TStream* AStream, std::uint8_t AValue);
std::int16_t ReadSmallint(TStream* AStream);
void ReadSmallint(TStream* AStream, std::int16_t& AValue);
void WriteSmallint(TStream* AStream, std::int16_t AValue);
std::uint16_t ReadWord(TStream* AStream);
void ReadWord(TStream* AStream, std::uint16_t& AValue);
void WriteWord(TStream* AStream, std::uint16_t AValue);
std::int32_t ReadInteger(TStream* AStream);
void ReadInteger(TStream* AStream, std::int32_t& AValue);
void WriteInteger(TStream* AStream, std::int32_t AValue);
std::int64_t ReadInt64(TStream* AStream);
void ReadInt64(TStream* AStream, std::int64_t& AValue);
void WriteInt64(TStream* AStream, std::int64_t AValue);
Currency ReadCurrency(TStream* AStream);
void ReadCurrency(TStream* AStream, Currency& AValue);
void WriteCurrency(TStream* AStream, Currency AValue);
TDateTime ReadDateTime(TStream* AStream);
void ReadDateTime(TStream* AStream, TDateTime& AValue);
void WriteDateTime(TStream* AStream, TDateTime AValue);
// The 10-byte extended form.
double ReadFloat(TStream* AStream);
void ReadFloat(TStream* AStream, double& AValue);
void WriteFloat(TStream* AStream, double AValue);
// A negative length or one beyond the bytes left raises EReadError before anything is allocated.
AnsiString ReadAnsiString(TStream* AStream);
void ReadAnsiString(TStream* AStream, AnsiString& AValue);
void WriteAnsiString(TStream* AStream, const AnsiString& AValue);
WideString ReadWideString(TStream* AStream);
void ReadWideString(TStream* AStream, WideString& AValue);
void WriteWideString(TStream* AStream, const WideString& AValue);

// Bytes between the stream's position and its end, for checking lengths before reading them.
std::int64_t StreamBytesLeft(TStream* AStream);
