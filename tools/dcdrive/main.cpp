// dcdrive TABLE.csv OPS.txt: loads a table into an unbound data controller with one item per column, applies
// the operations one per line and prints one JSON object per line. Bad input exits with status 2.
// dcdrive --sqlite FILE --sql "SELECT ..." OPS.txt: the same over a dataset-bound controller reading the
// query, one item per column of its result; edits are written back to the database.
//
// Tables, operations, the SQL text and the output are UTF-8; a character the code page cannot hold is bad
// input. An operation that answers prints {"op":N,"result":V}, one that raises {"op":N,"error":"text"}; N is
// the operation's line number in OPS.txt. "dump" prints the view. Operations that answer nothing print
// nothing.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/dcdrive/driver.h"
#include "tools/dcdrive/ops.h"
#include "tools/dcdrive/text.h"

namespace {

bool ReadFile(const std::string& APath, std::string& AText) {
  std::ifstream in(APath, std::ios::binary);
  if (!in)
    return false;
  std::stringstream text;
  text << in.rdbuf();
  AText = std::move(text).str();
  return !in.bad();
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
    if (sqlite) {
      driver.LoadQuery(argv[2], argv[4]);
    } else {
      std::string table;
      if (!ReadFile(source, table))
        throw dcdrive::BadInput("cannot read it");
      driver.LoadTable(table);
    }
  } catch (const dcdrive::BadInput& e) {
    std::cerr << "dcdrive: " << source << ": " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "dcdrive: " << source << ": " << dcdrive::LibraryMessage(e.what()) << "\n";
    return 2;
  }
  std::string ops;
  if (!ReadFile(opsPath, ops)) {
    std::cerr << "dcdrive: cannot read " << opsPath << "\n";
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
    std::cerr << "dcdrive: unexpected error: " << dcdrive::LibraryMessage(e.what()) << "\n";
  } catch (...) {
    std::cerr << "dcdrive: unexpected error\n";
  }
  return 1;
}
