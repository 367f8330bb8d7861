#include "command/Pub_commonfunc.h"

#include <gtest/gtest.h>

TEST(IsValidIp, DottedQuads)
{
    for (const char *ok : {"192.168.1.64", "255.255.255.255", "0.0.0.0", "010.1.1.1", "000000000001.2.3.4"})
        EXPECT_TRUE(is_valid_ip(ok)) << ok;
    for (const char *bad :
         {"", "256.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "1.2.3.4.", ".1.2.3", " 1.2.3.4", "1.2.3.4 ", "1.2.3.-4",
          "1.2.3.+4", "a.b.c.d", "1.2.3.4x", "999999999999.1.1.1", "1.2.3.2147483648"})
        EXPECT_FALSE(is_valid_ip(bad)) << "'" << bad << "'";
    EXPECT_FALSE(is_valid_ip(nullptr));
}
