#include "modem/comm_mode.h"

#include <gtest/gtest.h>

TEST(CommMode, ReadsTheLineParametersText) {
    const auto mode = parseCommMode("baud=115200 parity=N data=8 stop=1");
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->baud, 115200);
    EXPECT_EQ(mode->parity, 'N');
    EXPECT_EQ(mode->dataBits, 8);
    EXPECT_EQ(mode->stopHalves, 2);

    const auto other = parseCommMode("STOP=1.5 Parity=e baud=250000 data=7");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->baud, 250000);
    EXPECT_EQ(other->parity, 'E');
    EXPECT_EQ(other->dataBits, 7);
    EXPECT_EQ(other->stopHalves, 3);

    EXPECT_TRUE(parseCommMode("baud=9600"));
}

TEST(CommMode, RejectsAnythingMalformed) {
    for (const char* text :
         {"", "parity=N data=8 stop=1", "baud=0 parity=N", "baud=-9600", "baud=+9600", "baud=96x0",
          "baud=", "baud=99999999999", "baud=9600 parity=X", "baud=9600 parity=NN",
          "baud=9600 data=9", "baud=9600 data=4", "baud=9600 stop=0", "baud=9600 stop=3",
          "baud=9600 baud=4800", "baud=9600  data=8", "baud=9600 xon=on", "baud 9600",
          "baud=9600,data=8"}) {
        EXPECT_FALSE(parseCommMode(text)) << text;
    }
}
