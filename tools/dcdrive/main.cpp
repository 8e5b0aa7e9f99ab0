// dcdrive TABLE.csv OPS.txt: loads a table into an unbound data controller with one item per column, applies
// the operations one per line and prints one JSON object per line. Bad input exits with status 2.
// dcdrive --sqlite FILE --sql "SELECT ..." OPS.txt: the same over a dataset-bound controller reading the
// query, one item per column of its result; edits are written back to the database. Only a query's controller
// takes "keyfields NAMES" (its KeyFieldNames) and "gridmode on|off [BUFFERCOUNT]".
//
// Tables, operations, the SQL text and the output are UTF-8; a character the code page cannot hold is bad
// input. An operation that answers prints {"op":N,"result":V}, one that raises {"op":N,"error":"text"}; N is
// the operation's line number in OPS.txt. "dump" prints the view. Operations that answer nothing print
// nothing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "tools/dcdrive/driver.h"
#include "tools/dcdrive/ops.h"
#include "tools/dcdrive/text.h"

namespace {

// The most bytes a table or an operation file may have: a file past it is no input made for the driver, and
// a device that never ends must not be read until memory runs out.
constexpr std::size_t InputLimit = std::size_t(64) << 20;

// The whole file; BadInput says why it cannot be had: not there, a directory, too large, unreadable.
std::string ReadInput(const std::string& APath) {
  int fd = ::open(APath.c_str(), O_RDONLY);
  if (fd < 0)
    throw dcdrive::BadInput(std::string("cannot open it: ") + std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode))
    throw dcdrive::BadInput("is a directory");
  std::string text;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      throw dcdrive::BadInput(std::string("cannot read it: ") + std::strerror(errno));
    if (n == 0)
      return text;
    if (text.size() + std::size_t(n) > InputLimit)
      throw dcdrive::BadInput("larger than " + std::to_string(InputLimit) +
                              " bytes, more than an input may hold");
    text.append(buffer, std::size_t(n));
  }
}

int Drive(int argc, char** argv) {
  bool sqlite = argc == 6 && std::string(argv[1]) == "--sqlite" && std::string(argv[3]) == "--sql";
  if (argc != 3 && !sqlite) {
    std::cerr
        << "usage: dcdrive TABLE.csv OPS.txt\n       dcdrive --sqlite FILE --sql \"SELECT ...\" OPS.txt\n";
    return 2;
  }
  dcdrive::InitializeUnits();
  const std::string source = sqlite ? argv[2] : argv[1];
  const std::string opsPath = sqlite ? argv[5] : argv[2];
  dcdrive::Driver driver;
  try {
    if (sqlite)
      driver.LoadQuery(argv[2], argv[4]);
    else
      driver.LoadTable(ReadInput(source));
  } catch (const dcdrive::BadInput& e) {
    std::cerr << "dcdrive: " << source << ": " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "dcdrive: " << source << ": " << dcdrive::LibraryMessage(e) << "\n";
    return 2;
  }
  std::string ops;
  try {
    ops = ReadInput(opsPath);
  } catch (const dcdrive::BadInput& e) {
    std::cerr << "dcdrive: " << opsPath << ": " << e.what() << "\n";
    return 2;
  }
  return dcdrive::RunOperations(driver, ops, opsPath, std::cout, std::cerr);
}

} // namespace

int main(int argc, char** argv) {
  // Whatever escapes is a fault of the driver or the library; it is reported, never left to abort.
  try {
    return Drive(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "dcdrive: unexpected error: " << dcdrive::LibraryMessage(e) << "\n";
  } catch (...) {
    std::cerr << "dcdrive: unexpected error\n";
  }
  return 1;
}
