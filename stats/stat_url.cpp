#include "stats/stat_url.h"

std::string base64Encode(const std::string &bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i + 1 == bytes.size()) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string buildStatUrl(const std::string &endpoint, const std::string &adapterAddress,
                         const std::string &os, int screenWidth, int screenHeight, int kind) {
    std::string url = endpoint + "/stat-pc.gif?";
    url += "uniqId=" + base64Encode(adapterAddress) + "&";
    url += "os=" + os + "&";
    url += "screen=" + std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "&";
    url += "from=&";
    url += "firstFrom=&";
    switch (kind) {
        case 0:
            url += "statId=770001&";
            break;
        case 1:
            url += "statId=770002&";
            break;
        case 2:
            url += "statId=770003&";
            break;
        default:
            break;
    }
    url += "version=" VT_APP_VERSION;
    return url;
}
