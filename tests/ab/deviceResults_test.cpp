// The device layer's result codes: hosts test them by value, the tests by name; the names keep the
// values hosts know (names that share a value say which failure a line reports).
#include <gtest/gtest.h>

#include "ABDeviceErrors.h"

TEST(DeviceResults, NamesKeepTheValuesHostsTest) {
  const struct {
    const char* name;
    int result;
    int value;
  } cases[] = {
      {"AB_OK", AB_OK, 0},
      {"AB_ERR_MANAGER_EXISTS", AB_ERR_MANAGER_EXISTS, -9364},
      {"AB_ERR_DEVICE_QUERY", AB_ERR_DEVICE_QUERY, -9365},
      {"AB_ERR_NO_DEVICE", AB_ERR_NO_DEVICE, -9366},
      {"AB_ERR_NO_PROPERTY", AB_ERR_NO_PROPERTY, -9367},
      {"AB_ERR_STREAM_FAILED", AB_ERR_STREAM_FAILED, -9367},
      {"AB_ERR_LATENCY_NOT_OPEN", AB_ERR_LATENCY_NOT_OPEN, -9367},
      {"AB_ERR_LATENCY_BAD_SIZE", AB_ERR_LATENCY_BAD_SIZE, -9367},
      {"AB_ERR_CLOCK_QUERY", AB_ERR_CLOCK_QUERY, -9367},
      {"AB_ERR_NOT_OPEN", AB_ERR_NOT_OPEN, -9368},
      {"AB_ERR_BAD_VALUE", AB_ERR_BAD_VALUE, -9368},
      {"AB_ERR_OPEN_FAILED", AB_ERR_OPEN_FAILED, -9368},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, c.value) << c.name;
}
