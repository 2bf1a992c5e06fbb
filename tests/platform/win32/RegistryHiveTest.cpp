#include "platform/win32/RegistryHive.h"

#include <gtest/gtest.h>

namespace {

using win32::RegistryHive;

TEST(RegistryHiveTest, SerializedHiveReadsBackIdentically) {
  RegistryHive hive;
  hive.Root().values.push_back({"AtRoot", 1, "x"});
  auto& software = hive.Root().AddSubkey("Software");
  auto& odd = software.AddSubkey("odd ] key %41 \"q\"");
  odd.values.push_back({"", 1, std::string("\0\x01\x1F\x7F\x80\xFF%\"]\n\r", 11)});
  odd.values.push_back({"name\nwith\tcontrols", 4, std::string("\x05\0\0\0", 4)});
  software.AddSubkey("Empty");

  const std::string text = hive.Serialize();
  RegistryHive again = RegistryHive::Parse(text);
  EXPECT_EQ(again.Serialize(), text);
  EXPECT_FALSE(again.Damaged());
  auto* key = again.Find({"SOFTWARE", "ODD ] KEY %41 \"Q\""});
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 2u);
  EXPECT_EQ(key->values[0].data, odd.values[0].data);
  EXPECT_EQ(key->values[1].name, "name\nwith\tcontrols");
  EXPECT_EQ(key->values[1].type, 4u);
  EXPECT_NE(again.Find({"Software", "Empty"}), nullptr);
  ASSERT_EQ(again.Root().values.size(), 1u);
  EXPECT_EQ(again.Root().values[0].name, "AtRoot");
}

TEST(RegistryHiveTest, DamagedLinesArePassedOver) {
  RegistryHive hive = RegistryHive::Parse(
      "\"orphan\"=1:\"before any key\"\r\n"
      "[A\\B]\r\n"
      "\"good\"=1:\"yes%00\"\r\n"
      "\"bad escape\"=1:\"%G1\"\n"
      "\"no type\"=:\"x\"\n"
      "\"huge type\"=99999999999:\"x\"\n"
      "\"unterminated=1:\"x\"\n"
      "garbage\n"
      "[unclosed\n"
      "\"after bad key\"=1:\"x\"\n"
      "[A\\C]\n");
  auto* b = hive.Find({"A", "B"});
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->values.size(), 1u);
  EXPECT_EQ(b->values[0].name, "good");
  EXPECT_EQ(b->values[0].data, std::string("yes\0", 4));
  EXPECT_NE(hive.Find({"a", "c"}), nullptr);
  EXPECT_EQ(hive.Root().subkeys.size(), 1u);
  EXPECT_TRUE(hive.Root().values.empty());
  EXPECT_TRUE(hive.Damaged());
}

TEST(RegistryHiveTest, DamageIsAnyLineThatCannotBeRead) {
  const struct {
    const char* Text;
    bool Damaged;
  } cases[] = {
      {"", false},
      {"; registry hive\n\n", false},
      {"[]\r\n\"v\"=1:\"x\"\r\n[A]\n", false},
      {"[A]\n\"v\"=1:\"x\"", false},  // no line end after the last line
      {"\"orphan\"=1:\"x\"\n", true},
      {"[A]\n\"v\"=1:\"%4\"\n", true},
      {"[A\n", true},
      {"\x7F\x45\x4C\x46\x02\x01", true},  // not a hive at all
  };
  for (const auto& c : cases)
    EXPECT_EQ(RegistryHive::Parse(c.Text).Damaged(), c.Damaged) << testing::PrintToString(c.Text);
}

}  // namespace
