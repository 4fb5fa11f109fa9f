#ifndef STATS_STAT_URL_H_
#define STATS_STAT_URL_H_

#include <string>

// Event kinds the beacon counts.
enum StatEventKind { kStatFirstStart = 0, kStatLaterStart = 1, kStatRefresh = 2 };

// The beacon's URL: endpoint + "/stat-pc.gif?" and its fields in their fixed order, the adapter
// address in Base64. The values go in as they are; each event kind adds its statId, other kinds
// none.
std::string buildStatUrl(const std::string &endpoint, const std::string &adapterAddress,
                         const std::string &os, int screenWidth, int screenHeight, int kind);

#endif  // STATS_STAT_URL_H_
