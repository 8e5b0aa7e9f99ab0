#include "platform/classes/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies are done in blocks so that a huge Count never asks for a huge buffer.
constexpr std::int64_t CopyBlockSize = 64 * 1024;

std::int64_t NewPosition(std::int64_t current, std::int64_t size, std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? current : size;
  if (offset > 0 && base > INT64_MAX - offset)
    throw EStreamError("Invalid stream position");
  const std::int64_t pos = base + offset;
  if (pos < 0)
    throw EStreamError("Invalid stream position");
  return pos;
}

std::string SystemReason(int error) {
  return std::strerror(error);
}

} // namespace

std::int64_t TStream::Size() {
  const std::int64_t pos = Seek(0, soCurrent);
  const std::int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) {
  throw EStreamError("Stream size cannot be changed for " + ClassName());
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count))
    throw EReadError();
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count))
    throw EWriteError();
}

std::int64_t TStream::CopyFrom(TStream* Source, std::int64_t Count) {
  if (!Source || Count < 0)
    throw EReadError();
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  std::vector<unsigned char> buffer(std::size_t(std::min(Count, CopyBlockSize)));
  std::int64_t left = Count;
  while (left > 0) {
    const std::int64_t n = std::min(left, CopyBlockSize);
    Source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return Count;
}

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || FPosition >= Size())
    return 0;
  const std::int64_t n = std::min(Count, Size() - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, std::size_t(n));
  FPosition += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0)
    return 0;
  if (Count > INT64_MAX - FPosition)
    throw EWriteError();
  if (FPosition + Count > Size())
    SetSize(FPosition + Count);
  std::memcpy(FData.data() + FPosition, Buffer, std::size_t(Count));
  FPosition += Count;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  FPosition = NewPosition(FPosition, Size(), Offset, Origin);
  return FPosition;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0)
    throw EStreamError("Invalid stream size");
  FData.resize(std::size_t(NewSize));
  FPosition = std::min(FPosition, NewSize);
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const std::int64_t size = Stream->Size();
  SetSize(size);
  if (size)
    Stream->ReadBuffer(FData.data(), size);
  FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream* Stream) {
  if (!FData.empty())
    Stream->WriteBuffer(FData.data(), Size());
}

void TMemoryStream::LoadFromFile(const AnsiString& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TMemoryStream::SaveToFile(const AnsiString& FileName) {
  TFileStream file(FileName, fmCreate);
  SaveToStream(&file);
}

std::int64_t TStringStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || FPosition >= Size())
    return 0;
  const std::int64_t n = std::min(Count, Size() - FPosition);
  std::memcpy(Buffer, FDataString.data() + FPosition, std::size_t(n));
  FPosition += n;
  return n;
}

std::int64_t TStringStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0)
    return 0;
  if (Count > INT64_MAX - FPosition)
    throw EWriteError();
  if (FPosition + Count > Size())
    FDataString.resize(std::size_t(FPosition + Count));
  std::memcpy(FDataString.data() + FPosition, Buffer, std::size_t(Count));
  FPosition += Count;
  return Count;
}

std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  FPosition = NewPosition(FPosition, Size(), Offset, Origin);
  return FPosition;
}

void TStringStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0)
    throw EStreamError("Invalid stream size");
  FDataString.resize(std::size_t(NewSize));
  FPosition = std::min(FPosition, NewSize);
}

AnsiString TStringStream::ReadString(std::int64_t Count) {
  if (Count <= 0 || FPosition >= Size())
    return AnsiString();
  const std::int64_t n = std::min(Count, Size() - FPosition);
  AnsiString result = FDataString.substr(std::size_t(FPosition), std::size_t(n));
  FPosition += n;
  return result;
}

void TStringStream::WriteString(std::string_view AString) {
  Write(AString.data(), std::int64_t(AString.size()));
}

TFileStream::TFileStream(const AnsiString& AFileName, unsigned Mode) : FFileName(AFileName) {
  const bool create = (Mode & fmCreate) == fmCreate;
  int flags = O_CLOEXEC;
  if (create)
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  else if ((Mode & 3) == fmOpenWrite)
    flags |= O_WRONLY;
  else if ((Mode & 3) == fmOpenReadWrite)
    flags |= O_RDWR;
  else
    flags |= O_RDONLY;
  const char* verb = create ? "Cannot create file \"" : "Cannot open file \"";
  if (AFileName.empty() || AFileName.find('\0') != AnsiString::npos)
    throw EFOpenError(verb + AFileName + "\". Invalid file name");
  do
    FHandle = ::open(AFileName.c_str(), flags, 0644);
  while (FHandle < 0 && errno == EINTR);
  if (FHandle < 0)
    throw EFOpenError(verb + AFileName + "\". " + SystemReason(errno));
  // A directory opens for reading here but is no file to stream.
  struct stat st {};
  if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(FHandle);
    FHandle = -1;
    throw EFOpenError(verb + AFileName + "\". " + SystemReason(EISDIR));
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0)
    ::close(FHandle);
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  std::int64_t done = 0;
  auto* out = static_cast<unsigned char*>(Buffer);
  while (done < Count) {
    const ssize_t n = ::read(FHandle, out + done, std::size_t(std::min<std::int64_t>(Count - done, 1 << 30)));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      throw EReadError("Stream read error: " + FFileName + ": " + SystemReason(errno));
    if (n == 0)
      break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  std::int64_t done = 0;
  const auto* in = static_cast<const unsigned char*>(Buffer);
  while (done < Count) {
    const ssize_t n = ::write(FHandle, in + done, std::size_t(std::min<std::int64_t>(Count - done, 1 << 30)));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break; // the short count reaches WriteBuffer, which reports it
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t pos = ::lseek(FHandle, off_t(Offset), whence);
  if (pos < 0)
    throw EStreamError("Invalid stream position in " + FFileName + ": " + SystemReason(errno));
  return pos;
}

std::int64_t TFileStream::Size() {
  struct stat st {};
  if (::fstat(FHandle, &st) != 0)
    throw EStreamError("Cannot read the size of " + FFileName + ": " + SystemReason(errno));
  return st.st_size;
}

void TFileStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0 || ::ftruncate(FHandle, off_t(NewSize)) != 0)
    throw EStreamError("Cannot change the size of " + FFileName + ": " +
                       SystemReason(NewSize < 0 ? EINVAL : errno));
  if (Position() > NewSize)
    SetPosition(NewSize);
}
