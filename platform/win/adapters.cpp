#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win/win32_calls.h"

namespace platform {

namespace {

// One adapter record as the system's iphlpapi lays it out: the two lease times that end it are
// 64-bit in every build. MinGW's 32-bit headers declare them as 32-bit, but every field read here
// lies before them.
constexpr ULONG kOneAdapterRecordSize =
    offsetof(IP_ADAPTER_INFO, LeaseObtained) + 2 * sizeof(std::int64_t);
static_assert(kOneAdapterRecordSize == (sizeof(void *) == 4 ? 648 : 704),
              "the system's record is 648 bytes in 32-bit programs and 704 in 64-bit ones");

AdapterRecord recordOf(const IP_ADAPTER_INFO &adapter) {
    AdapterRecord record;
    record.description.assign(adapter.Description,
                              strnlen(adapter.Description, sizeof adapter.Description));
    record.type = adapter.Type;
    record.addressLength = adapter.AddressLength < sizeof record.address
                               ? adapter.AddressLength
                               : static_cast<unsigned>(sizeof record.address);
    std::memcpy(record.address, adapter.Address, record.addressLength);
    const IP_ADDR_STRING &firstIp = adapter.IpAddressList;
    record.firstIp.assign(firstIp.IpAddress.String,
                          strnlen(firstIp.IpAddress.String, sizeof firstIp.IpAddress.String));
    return record;
}

}  // namespace

bool listAdapters(std::vector<AdapterRecord> &out) {
    // Sized for exactly one record; on any failure the second call gets the size the first one
    // asked for, and there is no third.
    ULONG size = kOneAdapterRecordSize;
    auto *adapters = static_cast<IP_ADAPTER_INFO *>(std::malloc(size));
    ULONG result = win::win32Calls().getAdaptersInfo(adapters, &size);
    if (result != ERROR_SUCCESS) {
        std::free(adapters);
        adapters = static_cast<IP_ADAPTER_INFO *>(std::malloc(size));
        result = adapters ? win::win32Calls().getAdaptersInfo(adapters, &size)
                          : static_cast<ULONG>(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (result != ERROR_SUCCESS) {
        std::free(adapters);
        return false;
    }
    std::vector<AdapterRecord> records;
    for (const IP_ADAPTER_INFO *adapter = adapters; adapter; adapter = adapter->Next) {
        records.push_back(recordOf(*adapter));
    }
    std::free(adapters);
    out.swap(records);
    return true;
}

}  // namespace platform
