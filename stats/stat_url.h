#ifndef STATS_STAT_URL_H_
#define STATS_STAT_URL_H_

#include <string>

// Standard base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string base64Encode(const std::string &bytes);

// The beacon's URL: endpoint + "/stat-pc.gif?" and its fields in their fixed order. The values
// go in as they are; kind 0, 1 and 2 add their statId, other kinds none.
std::string buildStatUrl(const std::string &endpoint, const std::string &adapterAddress,
                         const std::string &os, int screenWidth, int screenHeight, int kind);

#endif  // STATS_STAT_URL_H_
