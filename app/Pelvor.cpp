// A first program: reads the word file beside the executable and says how many entries it holds.
#include <filesystem>
#include <iostream>

#include "engine/Kelime.h"
#include "engine/WordFile.h"

int main() {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) {
    std::cerr << "pelvor: cannot find the program's own directory: " << ec.message() << "\n";
    return 1;
  }
  const AnsiString path = (exe.parent_path() / "pelvor.dll").string();
  if (!fs::exists(path)) {
    std::cout << "No word file: " << path << " does not exist, so the dictionary is empty.\n";
    return 0;
  }
  try {
    TPelvor store;
    LoadWordFile(path, store);
    std::cout << "Read " << store.Count() << " entries from " << path << "\n";
  } catch (const Exception& e) {
    std::cerr << "pelvor: " << e.Message() << "\n";
    return 1;
  }
  return 0;
}
