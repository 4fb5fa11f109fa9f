// The texts a usage beacon is made of, free of any toolkit so the Windows build shares them.
#ifndef STATS_BEACON_URL_H_
#define STATS_BEACON_URL_H_

#include <cstdint>
#include <string>

// The beacon's full URL text: endpoint (scheme and host, no trailing "/") followed by the tracking
// image's path and the query fields in the order the statistics service expects. addressText is
// the device identifier as getAdapterMacAddress writes it; kind is a StatEventKind, and any other
// value sends no statId. Nothing is escaped.
std::string beaconUrlText(const std::string &endpoint, int kind, const std::string &addressText,
                          const std::string &osText, int screenWidth, int screenHeight);

// "windows<major>.<minor>.<build>" from the numbers ntdll reports; the high bits of its build
// number are flags, not part of the number, and are dropped.
std::string windowsVersionText(std::uint32_t major, std::uint32_t minor, std::uint32_t build);

#endif  // STATS_BEACON_URL_H_
