// EBCDIC translation of the reference service host: the two 256-byte tables
// that the qm32 record codec uses on the wire to and from a mainframe host.
#pragma once

#include <string>

namespace qmhost {

extern const unsigned char kAsciiToEbcdic[256];
extern const unsigned char kEbcdicToAscii[256];

// Convert every byte of text in place.
void asciiToEbcdic(std::string &text);
void ebcdicToAscii(std::string &text);

} // namespace qmhost
