#ifndef STATS_DEVICE_ID_H_
#define STATS_DEVICE_ID_H_

#include <string>
#include <vector>

#include "platform/platform.h"

// Size of the caller's buffer for the adapter address text.
constexpr int kAdapterAddressBufferSize = 128;

// The address bytes as two lower-case hex digits each, joined by "-" (at most 8 bytes).
std::string formatAdapterAddress(const unsigned char *address, unsigned length);

// Writes the chosen adapter's address text into macOut: the first qualifying wired adapter in
// list order, else the first qualifying wireless one. "VMware" in the description and a first
// address of "0.0.0.0" disqualify. macOut is left untouched when nothing qualifies; a null macOut
// does nothing.
void chooseAdapterAddress(const std::vector<platform::AdapterRecord> &adapters, char *macOut);

// The machine's adapter address text into macOut (a zero-filled buffer of
// kAdapterAddressBufferSize bytes), chosen as above.
void getAdapterMacAddress(char *macOut);

#endif  // STATS_DEVICE_ID_H_
