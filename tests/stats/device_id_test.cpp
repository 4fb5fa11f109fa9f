#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "stats/device_id.h"
#include "stats/stat_url.h"

namespace {

using platform::AdapterRecord;

AdapterRecord adapter(unsigned type, unsigned char last, const char *ip,
                      const char *description = "eth") {
    AdapterRecord record;
    record.description = description;
    record.type = type;
    const unsigned char address[] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, last};
    std::memcpy(record.address, address, sizeof address);
    record.addressLength = sizeof address;
    record.firstIp = ip;
    return record;
}

std::string choose(const std::vector<AdapterRecord> &adapters) {
    char buffer[kAdapterAddressBufferSize] = {};
    chooseAdapterAddress(adapters, buffer);
    return buffer;
}

constexpr unsigned kWired = platform::kAdapterTypeEthernet;
constexpr unsigned kWireless = platform::kAdapterTypeWireless;

TEST(AdapterChoiceTest, PicksTheFirstQualifyingWiredThenWirelessAdapter) {
    const struct {
        const char *name;
        std::vector<AdapterRecord> adapters;
        const char *expected;
    } cases[] = {
        {"wireless listed before wired",
         {adapter(kWireless, 0x01, "10.0.0.2"), adapter(kWired, 0x02, "10.0.0.3")},
         "00-1a-2b-3c-4d-02"},
        {"two wired",
         {adapter(kWired, 0x03, "10.0.0.3"), adapter(kWired, 0x04, "10.0.0.4")},
         "00-1a-2b-3c-4d-03"},
        {"wired without address skipped",
         {adapter(kWired, 0x05, "0.0.0.0"), adapter(kWired, 0x06, "10.0.0.6")},
         "00-1a-2b-3c-4d-06"},
        {"only wireless", {adapter(kWireless, 0x07, "192.168.1.7")}, "00-1a-2b-3c-4d-07"},
        {"VMware never taken",
         {adapter(kWired, 0x08, "10.0.0.8", "VMware Virtual Ethernet Adapter"),
          adapter(kWireless, 0x09, "10.0.0.9", "VMware wifi")},
         ""},
        {"lower-case vmware taken",
         {adapter(kWired, 0x0a, "10.0.0.10", "vmware")},
         "00-1a-2b-3c-4d-0a"},
        {"loopback, tunnel and PPP never",
         {adapter(24, 0x0b, "127.0.0.1"), adapter(131, 0x0c, "10.8.0.1"),
          adapter(23, 0x0d, "10.9.0.1")},
         ""},
        {"nothing at all", {}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(choose(c.adapters), c.expected);
    }
}

TEST(AdapterChoiceTest, AddressLengthDecidesTheText) {
    AdapterRecord empty = adapter(kWired, 0, "10.0.0.1");
    empty.addressLength = 0;
    // An empty address still counts as chosen: a later adapter does not replace it.
    EXPECT_EQ(choose({empty, adapter(kWired, 0x02, "10.0.0.2")}), "");

    AdapterRecord longAddress = adapter(kWired, 0, "10.0.0.1");
    const unsigned char eight[] = {0xde, 0xad, 0xbe, 0xef, 0x00, 0x11, 0x22, 0xff};
    std::memcpy(longAddress.address, eight, sizeof eight);
    longAddress.addressLength = 8;
    const std::string text = choose({longAddress});
    EXPECT_EQ(text, "de-ad-be-ef-00-11-22-ff");
    EXPECT_EQ(text.size(), 23u);
}

TEST(AdapterChoiceTest, NullBufferIsLeftAlone) {
    chooseAdapterAddress({adapter(kWired, 0x01, "10.0.0.1")}, nullptr);
}

TEST(StatUrlTest, FieldsComeInTheirFixedOrder) {
    const std::string endpoint = "http://stat.vantoro.example";
    const std::string fixed =
        "http://stat.vantoro.example/stat-pc.gif?uniqId=MDAtMWEtMmItM2MtNGQtNWU=&"
        "os=windows10.0.19045&screen=1920x1080&from=&firstFrom=&";
    const char *address = "00-1a-2b-3c-4d-5e";
    EXPECT_EQ(buildStatUrl(endpoint, address, "windows10.0.19045", 1920, 1080, 0),
              fixed + "statId=770001&version=1.0.3");
    EXPECT_EQ(buildStatUrl(endpoint, address, "windows10.0.19045", 1920, 1080, 1),
              fixed + "statId=770002&version=1.0.3");
    EXPECT_EQ(buildStatUrl(endpoint, address, "windows10.0.19045", 1920, 1080, 2),
              fixed + "statId=770003&version=1.0.3");
    EXPECT_EQ(buildStatUrl(endpoint, address, "windows10.0.19045", 1920, 1080, 3),
              fixed + "version=1.0.3");
}

TEST(StatUrlTest, MissingValuesLeaveEmptyFields) {
    EXPECT_EQ(buildStatUrl("http://s", "", "", 0, 0, 2),
              "http://s/stat-pc.gif?uniqId=&os=&screen=0x0&from=&firstFrom=&statId=770003&"
              "version=1.0.3");
}

}  // namespace
