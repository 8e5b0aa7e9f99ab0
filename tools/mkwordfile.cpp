// Writes a word-data file from a UTF-8 word list, one entry a line: Turkish word;Laz word;Turkish
// explanation;Laz explanation. The layers are the exact reverse of what the dictionary reads: the list in the
// default 8-bit code page with CR LF line ends, RC4, standard Base64 on one line.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "engine/Crypto.h"
#include "platform/rtl/SysUtils.h"

namespace {

int fail(const std::string& message) {
  std::cerr << "mkwordfile: " << message << "\n";
  return 1;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3)
    return fail("usage: mkwordfile WORDLIST.txt OUTPUT.dll");
  std::ifstream in(argv[1], std::ios::binary);
  if (!in)
    return fail(std::string("cannot open ") + argv[1]);

  AnsiString plain;
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
      line.erase(0, 3);
    if (line.empty())
      continue;
    // A character the code page lacks would reach the user as '?', so the list is refused instead.
    AnsiString ansi = Utf8ToAnsi(line);
    if (AnsiToUtf8(ansi) != line)
      return fail(std::string(argv[1]) + ":" + std::to_string(lineNo) +
                  ": not valid UTF-8 or not representable in the default code page");
    if (ansi.find(';') == AnsiString::npos)
      return fail(std::string(argv[1]) + ":" + std::to_string(lineNo) + ": no ';' between the fields");
    plain += ansi;
    plain += "\r\n";
  }
  if (in.bad())
    return fail(std::string("cannot read ") + argv[1]);

  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << Encipher(plain) << "\r\n";
  out.close();
  if (!out)
    return fail(std::string("cannot write ") + argv[2]);
  return 0;
}
