#pragma once
#include <cstddef>
#include <string_view>

#include "engine/Kelime.h"
#include "platform/rtl/SysUtils.h"

// Whether there is a word file to read at Path (UTF-8): false when nothing is there, or a directory is; true
// for an ordinary file. Raises EFOpenError, the path shown in the code page, saying what stands there instead
// (a fifo, a device, a socket) or why the path cannot be followed (a link loop, a folder that may not be
// entered, a file where a folder belongs).
bool WordFileExists(const AnsiString& Path);

// Reads the word file at Path into Store: the file's text is deciphered, split into lines and each line goes
// to the store as AddLine takes it. Where WordFileExists answers false nothing is added or reported; a file
// that cannot be read raises EFOpenError, and one whose words do not fit in memory EReadError, the entries
// added before the shortage left in the store. Damaged or wrongly keyed data is not detected: whatever lines
// pass AddLine become entries.
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
