#include "engine/PluginInterface.h"

#include <gtest/gtest.h>

TEST(PluginInterface, BooleanResultCountsOnlyItsLowByte) {
  struct Case {
    QVBool value;
    bool expected;
  };
  for (const Case& c : {Case{0, false}, Case{1, true}, Case{0x100, false}, Case{0x1FF, true},
                        Case{-256, false}, Case{-1, true}}) {
    EXPECT_EQ(QVTrue(c.value), c.expected) << c.value;
  }
}
