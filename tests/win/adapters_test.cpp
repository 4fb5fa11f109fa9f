#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "scoped_win32_calls.h"
#include "stats/device_id.h"

namespace {

// One record as the system lays it out, whatever MinGW's headers declare: its lease times are
// 64-bit in 32-bit programs too.
constexpr ULONG kRecordSize = sizeof(void *) == 4 ? 648 : 704;

// A machine whose adapter list is scripted: each call answers with the next result, writes back
// `sizeNeeded` when it fails and fills the buffer when it succeeds and the buffer is large enough.
struct FakeAdapterList {
    std::vector<ULONG> results;
    ULONG sizeNeeded = 0;
    std::vector<IP_ADAPTER_INFO> adapters;
    std::vector<ULONG> sizesOffered;
};

FakeAdapterList fake;

ULONG WINAPI fakeGetAdaptersInfo(PIP_ADAPTER_INFO buffer, PULONG size) {
    const size_t call = fake.sizesOffered.size();
    fake.sizesOffered.push_back(*size);
    const ULONG result = call < fake.results.size() ? fake.results[call] : ERROR_NO_DATA;
    if (result != ERROR_SUCCESS) {
        *size = fake.sizeNeeded;
        return result;
    }
    if (*size < fake.adapters.size() * sizeof(IP_ADAPTER_INFO)) {
        ADD_FAILURE() << "the buffer is too small for the list";
        return ERROR_BUFFER_OVERFLOW;
    }
    for (size_t i = 0; i < fake.adapters.size(); ++i) {
        buffer[i] = fake.adapters[i];
        buffer[i].Next = i + 1 < fake.adapters.size() ? &buffer[i + 1] : nullptr;
    }
    return ERROR_SUCCESS;
}

IP_ADAPTER_INFO adapter(const char *description, UINT type, std::vector<BYTE> address,
                        const char *ip) {
    IP_ADAPTER_INFO info = {};
    std::strcpy(info.Description, description);
    info.Type = type;
    info.AddressLength = static_cast<UINT>(address.size());
    std::memcpy(info.Address, address.data(), address.size());
    std::strcpy(info.IpAddressList.IpAddress.String, ip);
    return info;
}

class AdapterListTest : public testing::Test {
protected:
    void SetUp() override {
        fake = FakeAdapterList();
        calls_->getAdaptersInfo = fakeGetAdaptersInfo;
    }

    ScopedWin32Calls calls_;
};

}  // namespace

TEST(Adapters, WineListsItsAdapters) {
    std::vector<platform::AdapterRecord> adapters;
    ASSERT_TRUE(platform::listAdapters(adapters));
    ASSERT_FALSE(adapters.empty());
    for (const platform::AdapterRecord &record : adapters) {
        EXPECT_LE(record.addressLength, 8u);
        EXPECT_FALSE(record.firstIp.empty()) << record.description;
    }
}

TEST(Adapters, WinesAdaptersGoThroughTheSharedChoice) {
    char address[kAdapterAddressBufferSize] = {};
    getAdapterMacAddress(address);
    // Wine lists the machine's own Ethernet adapter: six bytes, lower-case, joined by "-".
    EXPECT_TRUE(std::regex_match(address, std::regex("([0-9a-f]{2}-){5}[0-9a-f]{2}"))) << address;
}

TEST_F(AdapterListTest, OneAdapterNeedsOneCallOfOneRecordsSize) {
    fake.results = {ERROR_SUCCESS};
    fake.adapters = {adapter("Wired", 6, {0, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, "10.1.2.3")};
    std::vector<platform::AdapterRecord> adapters;
    ASSERT_TRUE(platform::listAdapters(adapters));
    EXPECT_EQ(fake.sizesOffered, std::vector<ULONG>({kRecordSize}));
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(adapters[0].description, "Wired");
    EXPECT_EQ(adapters[0].type, 6u);
    EXPECT_EQ(adapters[0].addressLength, 6u);
    EXPECT_EQ(adapters[0].address[1], 0x1a);
    EXPECT_EQ(adapters[0].firstIp, "10.1.2.3");
}

TEST_F(AdapterListTest, TooSmallFirstBufferIsRetriedOnceWithTheSizeAskedFor) {
    fake.results = {ERROR_BUFFER_OVERFLOW, ERROR_SUCCESS};
    fake.sizeNeeded = 3 * kRecordSize;
    fake.adapters = {adapter("Wireless", 71, {2, 0, 0, 0, 0, 1}, "192.168.1.5"),
                     adapter("Wired one", 6, {2, 0, 0, 0, 0, 2}, "10.0.0.2"),
                     adapter("Wired two", 6, {2, 0, 0, 0, 0, 3}, "10.0.0.3")};
    std::vector<platform::AdapterRecord> adapters;
    ASSERT_TRUE(platform::listAdapters(adapters));
    EXPECT_EQ(fake.sizesOffered, std::vector<ULONG>({kRecordSize, 3 * kRecordSize}));
    ASSERT_EQ(adapters.size(), 3u);
    EXPECT_EQ(adapters[0].description, "Wireless");
    EXPECT_EQ(adapters[2].description, "Wired two");
}

TEST_F(AdapterListTest, AnyFirstFailureEarnsTheSecondCall) {
    fake.results = {ERROR_INVALID_DATA, ERROR_SUCCESS};
    fake.sizeNeeded = 2 * sizeof(IP_ADAPTER_INFO);
    fake.adapters = {adapter("Wired", 6, {1, 2, 3, 4, 5, 6}, "10.0.0.1")};
    std::vector<platform::AdapterRecord> adapters;
    EXPECT_TRUE(platform::listAdapters(adapters));
    EXPECT_EQ(fake.sizesOffered.size(), 2u);
    EXPECT_EQ(adapters.size(), 1u);
}

TEST_F(AdapterListTest, TwoFailuresGiveNoListAndNoThirdCall) {
    fake.results = {ERROR_BUFFER_OVERFLOW, ERROR_BUFFER_OVERFLOW, ERROR_SUCCESS};
    fake.sizeNeeded = 4 * sizeof(IP_ADAPTER_INFO);
    std::vector<platform::AdapterRecord> adapters(1);
    adapters[0].description = "kept";
    EXPECT_FALSE(platform::listAdapters(adapters));
    EXPECT_EQ(fake.sizesOffered.size(), 2u);
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(adapters[0].description, "kept");
}

TEST_F(AdapterListTest, TwoFailuresPrintTheFailureLineAndLeaveTheAddressBufferAlone) {
    fake.results = {ERROR_BUFFER_OVERFLOW, ERROR_NO_DATA};
    fake.sizeNeeded = 2 * sizeof(IP_ADAPTER_INFO);
    char address[kAdapterAddressBufferSize] = {};
    testing::internal::CaptureStdout();
    getAdapterMacAddress(address);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "CalltoGetAdaptersInfofailed.n");
    EXPECT_EQ(std::string(address, sizeof address), std::string(sizeof address, '\0'));
}

TEST_F(AdapterListTest, OverlongAddressLengthIsCappedAtTheRecordsEightBytes) {
    fake.results = {ERROR_SUCCESS};
    fake.adapters = {adapter("Odd", 6, {1, 2, 3, 4, 5, 6, 7, 8}, "10.0.0.1")};
    fake.adapters[0].AddressLength = 20;
    std::vector<platform::AdapterRecord> adapters;
    ASSERT_TRUE(platform::listAdapters(adapters));
    EXPECT_EQ(adapters[0].addressLength, 8u);
    EXPECT_EQ(adapters[0].address[7], 8);
}
