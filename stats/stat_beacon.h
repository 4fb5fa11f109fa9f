#ifndef STATS_STAT_BEACON_H_
#define STATS_STAT_BEACON_H_

#include "stats/stat_url.h"

// Sends one usage beacon for kind and returns once its request has finished (or was abandoned).
void sendStatBeacon(int kind);

#endif  // STATS_STAT_BEACON_H_
