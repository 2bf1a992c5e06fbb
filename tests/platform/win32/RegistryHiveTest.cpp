#include "platform/win32/RegistryHive.h"

#include <gtest/gtest.h>

namespace {

using win32::RegistryHive;

TEST(RegistryHiveTest, SerializedHiveReadsBackIdentically) {
  RegistryHive hive;
  hive.Root().Values.push_back({"AtRoot", 1, "x"});
  auto& software = hive.Root().AddSubkey("Software");
  auto& odd = software.AddSubkey("odd ] key %41 \"q\"");
  odd.Values.push_back({"", 1, std::string("\0\x01\x1F\x7F\x80\xFF%\"]\n\r", 11)});
  odd.Values.push_back({"name\nwith\tcontrols", 4, std::string("\x05\0\0\0", 4)});
  software.AddSubkey("Empty");

  const std::string text = hive.Serialize();
  RegistryHive again = RegistryHive::Parse(text);
  EXPECT_EQ(again.Serialize(), text);
  EXPECT_FALSE(again.Damaged());
  auto* key = again.Find({"SOFTWARE", "ODD ] KEY %41 \"Q\""});
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->Values.size(), 2u);
  EXPECT_EQ(key->Values[0].Data, odd.Values[0].Data);
  EXPECT_EQ(key->Values[1].Name, "name\nwith\tcontrols");
  EXPECT_EQ(key->Values[1].Type, 4u);
  EXPECT_NE(again.Find({"Software", "Empty"}), nullptr);
  ASSERT_EQ(again.Root().Values.size(), 1u);
  EXPECT_EQ(again.Root().Values[0].Name, "AtRoot");
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
  ASSERT_EQ(b->Values.size(), 1u);
  EXPECT_EQ(b->Values[0].Name, "good");
  EXPECT_EQ(b->Values[0].Data, std::string("yes\0", 4));
  EXPECT_NE(hive.Find({"a", "c"}), nullptr);
  EXPECT_EQ(hive.Root().Subkeys.size(), 1u);
  EXPECT_TRUE(hive.Root().Values.empty());
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
