#include "stats/stat_url.h"

#include "text/base64.h"

std::string buildStatUrl(const std::string &endpoint, const std::string &adapterAddress,
                         const std::string &os, int screenWidth, int screenHeight, int kind) {
    std::string url = endpoint + "/stat-pc.gif?";
    url += "uniqId=" + text::base64Encode(adapterAddress.data(), adapterAddress.size()) + "&";
    url += "os=" + os + "&";
    url += "screen=" + std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "&";
    url += "from=&";
    url += "firstFrom=&";
    switch (kind) {
        case kStatFirstStart:
            url += "statId=770001&";
            break;
        case kStatLaterStart:
            url += "statId=770002&";
            break;
        case kStatRefresh:
            url += "statId=770003&";
            break;
        default:
            break;
    }
    url += "version=" VT_APP_VERSION;
    return url;
}
