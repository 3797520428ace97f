// Native harness for the mail encoders: encodes standard input in the mode of argv[1]
// ("base64", "qp" or "uu") and writes the lines to standard output, each ended by CR LF.
#include "msmime.h"
#include "msuucode.h"
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string data((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  if (std::strcmp(argv[1], "base64") == 0)
    lines = EncodeBase64Lines(data);
  else if (std::strcmp(argv[1], "qp") == 0)
    lines = EncodeQuotedPrintableLines(data);
  else if (std::strcmp(argv[1], "uu") == 0)
    lines = UUEncodeLines(data);
  else
    return 2;
  for (const std::string& line : lines)
    std::fwrite((line + "\r\n").data(), 1, line.size() + 2, stdout);
  return 0;
}
