#include "monitor/BatteryReading.h"
#include <gtest/gtest.h>
TEST(ReadingsTest, Placeholder) {}
