#include "stats/device_id.h"

#include <cstdio>
#include <cstring>

std::string formatAdapterAddress(const unsigned char *address, unsigned length) {
    if (length > 8) {
        length = 8;
    }
    std::string text;
    char piece[4];
    for (unsigned i = 0; i < length; ++i) {
        std::snprintf(piece, sizeof piece, i + 1 < length ? "%02x-" : "%02x", address[i]);
        text += piece;
    }
    return text;
}

namespace {

bool qualifies(const platform::AdapterRecord &adapter) {
    return adapter.description.find("VMware") == std::string::npos;
}

bool hasAddress(const platform::AdapterRecord &adapter) {
    return adapter.firstIp != "0.0.0.0";
}

void copyAddress(const platform::AdapterRecord &adapter, char *macOut) {
    const std::string text = formatAdapterAddress(adapter.address, adapter.addressLength);
    std::memcpy(macOut, text.c_str(), text.size() + 1);
}

}  // namespace

void chooseAdapterAddress(const std::vector<platform::AdapterRecord> &adapters, char *macOut) {
    if (!macOut) {
        return;
    }
    bool wiredChosen = false;
    bool wirelessChosen = false;
    for (const platform::AdapterRecord &adapter : adapters) {
        if (adapter.type == platform::kAdapterTypeEthernet && qualifies(adapter) && !wiredChosen) {
            // A wired adapter found after a wireless one still wins.
            if (hasAddress(adapter)) {
                copyAddress(adapter, macOut);
                wiredChosen = true;
            }
        } else if (adapter.type == platform::kAdapterTypeWireless && qualifies(adapter) &&
                   !wiredChosen && !wirelessChosen) {
            if (hasAddress(adapter)) {
                copyAddress(adapter, macOut);
                wirelessChosen = true;
            }
        }
    }
}

void getAdapterMacAddress(char *macOut) {
    std::vector<platform::AdapterRecord> adapters;
    if (!platform::listAdapters(adapters)) {
        std::printf("CalltoGetAdaptersInfofailed.n");
        std::fflush(stdout);
        return;
    }
    chooseAdapterAddress(adapters, macOut);
}
