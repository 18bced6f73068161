#include <gtest/gtest.h>
#include "ntf/record.hpp"
TEST(Placeholder, Builds) { EXPECT_EQ(quorvel::RecordId("07abc"), "07"); }
