// The machine's identifier for the usage statistics: the hardware address of one of its network
// adapters, as text.
#ifndef STATS_DEVICE_IDENTIFIER_H_
#define STATS_DEVICE_IDENTIFIER_H_

#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"

// Size of the zero-filled buffer callers hand to getAdapterMacAddress.
constexpr std::size_t kAdapterAddressBufferSize = 128;

// "00-1a-2b-3c-4d-5e": two lower-case hex digits per byte, joined by "-"; at most 8 bytes are
// written, whatever length is claimed.
std::string adapterAddressText(const unsigned char *address, unsigned length);

// Writes the address text of the preferred adapter among adapters into macOut (at least
// kAdapterAddressBufferSize bytes): the first wired adapter with an IPv4 address, else the first
// wireless one; adapters whose description names "VMware" never count. Leaves macOut untouched
// when none qualifies, and does nothing when it is null.
void chooseAdapterAddress(const std::vector<platform::AdapterRecord> &adapters, char *macOut);

// The same over the system's adapters, read anew on every call. When the system cannot list them,
// says so on standard output and leaves macOut untouched.
void getAdapterMacAddress(char *macOut);

#endif  // STATS_DEVICE_IDENTIFIER_H_
