#include "stats/beacon_url.h"

#include "stats/base64.h"
#include "stats/stat_beacon.h"

namespace {

// The statistics service's number for each event kind; empty for kinds it does not count.
std::string statIdField(int kind) {
    switch (kind) {
        case kStatFirstStart:
            return "statId=770001&";
        case kStatLaterStart:
            return "statId=770002&";
        case kStatRefresh:
            return "statId=770003&";
        default:
            return std::string();
    }
}

}  // namespace

std::string beaconUrlText(const std::string &endpoint, int kind, const std::string &addressText,
                          const std::string &osText, int screenWidth, int screenHeight) {
    std::string url = endpoint + "/stat-pc.gif?";
    url += "uniqId=" + base64Encode(addressText) + "&";
    url += "os=" + osText + "&";
    url += "screen=" + std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "&";
    url += "from=&";
    url += "firstFrom=&";
    url += statIdField(kind);
    url += "version=" VT_APP_VERSION;
    return url;
}

std::string windowsVersionText(std::uint32_t major, std::uint32_t minor, std::uint32_t build) {
    return "windows" + std::to_string(major) + "." + std::to_string(minor) + "." +
           std::to_string(build & 0xFFFFu);
}
