#pragma once
#include <cstddef>
#include <string_view>

#include "engine/Kelime.h"
#include "platform/rtl/SysUtils.h"

// Reads the word file at Path into Store: the file's text is deciphered, split into lines and each line goes
// to the store as AddLine takes it. A missing file (or a directory in its place) adds nothing and reports
// nothing; a file that exists but cannot be read raises EFOpenError. Damaged or wrongly keyed data is not
// detected: whatever lines pass AddLine become entries.
void LoadWordFile(const AnsiString& Path, TPelvor& Store);

// The text of the file at Path as a string list gives it after loading the file: its lines, each followed by
// CR LF, up to a NUL. Raises EFOpenError when the file cannot be opened.
AnsiString ReadFileText(const AnsiString& Path);

// Deciphered word data to entries: lines end at CR, LF or CR LF and a NUL ends the text.
void AddWordData(std::string_view Plain, TPelvor& Store);

struct TWordFileReadOptions {
  // Plain bytes per piece of parsing handed to one thread.
  std::size_t SegmentBytes = std::size_t(1) << 20;
  // Threads that parse while the caller deciphers; with none, or with a small text, the caller deciphers
  // first and parses afterwards.
  unsigned Workers = DefaultWorkers();

  static unsigned DefaultWorkers();
};

// The file's text (as a string list joins it) to entries: the same entries, in the same order, as
// AddWordData(Decipher(Text), Store). A large text is parsed by worker threads while the caller deciphers,
// because the key stream can only run in sequence but the lines can be split and converted in any order; the
// entries join the store in order on the caller's thread once every worker is done, so the store is only
// ever touched by the caller.
void AddWordFileText(std::string_view Text, TPelvor& Store, const TWordFileReadOptions& Options = {});
