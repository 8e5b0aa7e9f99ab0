#pragma once
// Byte streams: the abstract stream, and streams over memory, an 8-bit string and a file.
#include <cstdint>
#include <vector>

#include "platform/classes/Object.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
  PELVOR_CLASS(TStream, TObject)

  // Read and Write move at most Count bytes and answer how many they moved; a short count is not an error
  // at this level (the end of the data was reached).
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  // Answers the new position; a position before the start raises EStreamError.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Value) { Seek(Value, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize);

  // Exactly Count bytes or EReadError / EWriteError ("Stream read error" / "Stream write error").
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source's position; Count 0 copies the whole of Source from its start.
  std::int64_t CopyFrom(TStream* Source, std::int64_t Count);
};

class TMemoryStream : public TStream {
  PELVOR_CLASS(TMemoryStream, TStream)

  TMemoryStream() = default;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return std::int64_t(FData.size()); }
  // Bytes added by growing are zero.
  void SetSize(std::int64_t NewSize) override;

  void* Memory() { return FData.data(); }
  const void* Memory() const { return FData.data(); }
  void Clear();
  // Replaces the contents with the whole of Stream and moves to the start.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);
  void LoadFromFile(const AnsiString& FileName);
  void SaveToFile(const AnsiString& FileName);

private:
  std::vector<unsigned char> FData;
  std::int64_t FPosition = 0;
};

class TStringStream : public TStream {
  PELVOR_CLASS(TStringStream, TStream)

  explicit TStringStream(AnsiString AString = AnsiString()) : FDataString(std::move(AString)) {}

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return std::int64_t(FDataString.size()); }
  void SetSize(std::int64_t NewSize) override;

  const AnsiString& DataString() const { return FDataString; }
  // Reads up to Count bytes from the position.
  AnsiString ReadString(std::int64_t Count);
  void WriteString(std::string_view AString);

private:
  AnsiString FDataString;
  std::int64_t FPosition = 0;
};

// Open modes: one access mode, optionally or-ed with a share mode; fmCreate creates or truncates.
constexpr unsigned fmCreate = 0xFF00;
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
  PELVOR_CLASS(TFileStream, TStream)

  // Raises EFOpenError naming the file and the system's reason when it cannot be opened or created.
  // The share modes are accepted and ignored: this platform has no mandatory file locking.
  TFileStream(const AnsiString& AFileName, unsigned Mode);
  ~TFileStream() override;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t NewSize) override;

  const AnsiString& FileName() const { return FFileName; }

private:
  AnsiString FFileName;
  int FHandle = -1;
};
