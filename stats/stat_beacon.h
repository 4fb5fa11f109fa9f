#ifndef STATS_STAT_BEACON_H_
#define STATS_STAT_BEACON_H_

#include "stats/stat_url.h"

// Sends one usage beacon for kind and returns once its request has finished (or was abandoned).
void sendStatBeacon(int kind);

// Starts, on a thread of its own, the system's first proxy look-up for the statistics server,
// which loads and sets up the proxy configuration (a tenth of a second here). The start beacon,
// sent while the window is being built and before it shows, then finds that done. Called once
// the application object exists.
void prepareStatBeacons();

#endif  // STATS_STAT_BEACON_H_
