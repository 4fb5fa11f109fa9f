#include "stats/device_identifier.h"

#include <cstdio>
#include <cstring>

namespace {

// Virtual adapters of that product carry the same address on many machines; the test is
// case-sensitive on purpose, matching how the product names its adapters.
bool isVMwareAdapter(const platform::AdapterRecord &adapter) {
    return adapter.description.find("VMware") != std::string::npos;
}

// An adapter that has no IPv4 address yet may be a disconnected port on a machine that also has
// a connected one.
bool hasAddress(const platform::AdapterRecord &adapter) {
    return adapter.firstIp != "0.0.0.0";
}

}  // namespace

std::string adapterAddressText(const unsigned char *address, unsigned length) {
    constexpr unsigned kMaxAddressLength = 8;
    if (length > kMaxAddressLength) {
        length = kMaxAddressLength;
    }
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        char piece[4];
        std::snprintf(piece, sizeof piece, i == 0 ? "%02x" : "-%02x",
                      static_cast<unsigned>(address[i]));
        text += piece;
    }
    return text;
}

void chooseAdapterAddress(const std::vector<platform::AdapterRecord> &adapters, char *macOut) {
    if (!macOut) {
        return;
    }
    // A wired adapter found later still replaces a wireless one taken earlier.
    bool wiredChosen = false;
    bool wirelessChosen = false;
    for (const platform::AdapterRecord &adapter : adapters) {
        if (wiredChosen || isVMwareAdapter(adapter) || !hasAddress(adapter)) {
            continue;
        }
        const bool wired = adapter.type == platform::kAdapterTypeEthernet;
        const bool wireless = adapter.type == platform::kAdapterTypeWireless && !wirelessChosen;
        if (!wired && !wireless) {
            continue;
        }
        const std::string text = adapterAddressText(adapter.address, adapter.addressLength);
        std::memcpy(macOut, text.c_str(), text.size() + 1);
        wiredChosen = wired;
        wirelessChosen = true;
    }
}

void getAdapterMacAddress(char *macOut) {
    if (!macOut) {
        return;
    }
    std::vector<platform::AdapterRecord> adapters;
    if (!platform::listAdapters(adapters)) {
        std::puts("CalltoGetAdaptersInfofailed.n");
        std::fflush(stdout);
        return;
    }
    chooseAdapterAddress(adapters, macOut);
}
