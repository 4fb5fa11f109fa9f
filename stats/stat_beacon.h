#ifndef STATS_STAT_BEACON_H_
#define STATS_STAT_BEACON_H_

// Event kinds the beacon counts.
enum StatEventKind { kStatFirstStart = 0, kStatLaterStart = 1, kStatRefresh = 2 };

// Sends one usage beacon for kind and returns once its request has finished (or was abandoned).
void sendStatBeacon(int kind);

#endif  // STATS_STAT_BEACON_H_
