#include "trace.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "keys.h"

namespace {

// Field texts that mean "no data access"; a missing field keeps them.
const std::string noAddressText = "0xffffff";
const char noAccessLetter = 'e';

// Hexadecimal digits after an optional "0x", up to the first other character;
// a text without leading digits gives 0.
uint32_t parseHex(const std::string& text) {
  std::size_t pos = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) pos = 2;
  uint32_t value = 0;
  for (; pos < text.size(); ++pos) {
    const char ch = text[pos];
    uint32_t digit;
    if (ch >= '0' && ch <= '9') {
      digit = ch - '0';
    } else if (ch >= 'a' && ch <= 'f') {
      digit = ch - 'a' + 10;
    } else if (ch >= 'A' && ch <= 'F') {
      digit = ch - 'A' + 10;
    } else {
      break;
    }
    value = value * 16 + digit;
  }
  return value;
}

std::size_t countLines(std::ifstream& in) {
  std::size_t count = 0;
  for (std::string line; std::getline(in, line);) ++count;
  return count;
}

}  // namespace

Trace::Trace() = default;
Trace::~Trace() = default;

int Trace::readTrace(std::string traceName) {
  const std::string path = INPUTDIR + "/" + TRACEDIR + "/" + traceName + ".txt";
  std::ifstream in(path);
  if (!in) {
    std::cerr << "Error: Could not open trace file '" << path << "'" << std::endl;
    return 1;
  }
  if (VERBOSE > 0) std::cout << "Read trace file '" << path << "'" << std::endl;

  const std::size_t count = countLines(in);
  in.close();
  memAddresses.resize(count);
  instrAddresses.resize(count);
  execTimes.resize(count);
  accessKinds.resize(count);

  // Lines added between the two passes are not stored.
  in.open(path);
  std::size_t k = 0;
  for (std::string line; k < count && std::getline(in, line); ++k) {
    std::istringstream fields(line);
    std::string instrText = noAddressText;
    std::string dataText = noAddressText;
    int cycles = 0;
    char letter = noAccessLetter;
    fields >> instrText >> cycles >> letter >> dataText;

    if (dataText == noAddressText) {
      letter = noAccessLetter;
    } else if (letter == noAccessLetter) {
      dataText = noAddressText;
    }

    memAddresses[k] = parseHex(dataText);
    instrAddresses[k] = parseHex(instrText);
    execTimes[k] = static_cast<uint32_t>(cycles);
    switch (letter) {
      case 'r':
        accessKinds[k] = 1;
        break;
      case 'w':
        accessKinds[k] = 0;
        break;
      case 'e':
        accessKinds[k] = 2;
        break;
      default:
        std::cout << "PROBLEM" << std::endl;
    }
  }
  // A file that shrank between the passes keeps the vectors as long as size.
  memAddresses.resize(k);
  instrAddresses.resize(k);
  execTimes.resize(k);
  accessKinds.resize(k);
  size = static_cast<int>(k);

  if (VERBOSE > 0)
    std::cout << "Trace " << path << " of size " << size << " successfully parsed." << std::endl;
  name = path;
  return 0;
}

int Trace::getSize() const { return size; }
uint32_t Trace::memAddress(int i) const { return memAddresses[i]; }
uint32_t Trace::instrAddress(int i) const { return instrAddresses[i]; }
int Trace::execTime(int i) const { return static_cast<int>(execTimes[i]); }
int Trace::instrType(int i) const { return static_cast<int>(accessKinds[i]); }
const std::string& Trace::getName() const { return name; }
