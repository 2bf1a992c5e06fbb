#include "platform/win32/RegistryHive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using win32::RegistryHive;
using win32::RegistryKey;

// "[a\\a\\...]" naming one key `depth` levels deep.
std::string DeepKeyLine(size_t depth, const std::string& name = "a") {
  std::string line = "[" + name;
  for (size_t level = 1; level < depth; ++level) line += "\\" + name;
  return line + "]\n";
}

std::string Repeated(const std::string& text, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out += text;
  return out;
}

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

// Keys at most 512 levels deep, key and value names at most 255 characters (a UTF-8 sequence
// being one); a line beyond that cannot be read, and what it would have made is not there.
TEST(RegistryHiveTest, LinesBeyondTheLimitsCannotBeRead) {
  const std::string e = "\xC3\xA9";  // é
  const std::string k255 = std::string(255, 'k'), v255 = std::string(255, 'v');
  const struct {
    const char* Name;
    std::string Text;
    bool Damaged;
    std::string Kept;  // the hive's text after its first line
  } cases[] = {
      {"512 levels", DeepKeyLine(512), false, DeepKeyLine(512)},
      {"513 levels", DeepKeyLine(513), true, ""},
      {"50,000 levels", DeepKeyLine(50000), true, ""},
      {"key name of 255", "[" + k255 + "]\n", false, "[" + k255 + "]\n"},
      {"key name of 256", "[" + k255 + "k]\n", true, ""},
      {"deep key name of 256", "[A\\" + k255 + "k\\B]\n", true, ""},
      {"255 two-byte characters", "[" + Repeated(e, 255) + "]\n", false,
       "[" + Repeated(e, 255) + "]\n"},
      {"256 two-byte characters", "[" + Repeated(e, 256) + "]\n", true, ""},
      {"escaped name of 255", "[" + Repeated("%41", 255) + "]\n", false,
       "[" + std::string(255, 'A') + "]\n"},
      {"256 bytes of no character", "[" + std::string(256, '\xFF') + "]\n", true, ""},
      {"256 lone continuation bytes", "[" + std::string(256, '\x80') + "]\n", true, ""},
      {"value name of 255", "[A]\n\"" + v255 + "\"=1:\"x\"\n", false,
       "[A]\n\"" + v255 + "\"=1:\"x\"\n"},
      {"value name of 256", "[A]\n\"" + v255 + "v\"=1:\"x\"\n", true, "[A]\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    RegistryHive hive = RegistryHive::Parse(c.Text);
    EXPECT_EQ(hive.Damaged(), c.Damaged);
    EXPECT_EQ(hive.Serialize(), "; registry hive\n" + c.Kept);
  }
}

// However a hive was made, writing it takes one line per key that holds something, and taking
// it apart needs no call per level: a chain of 20,000 keys is one line, not 400 MB.
TEST(RegistryHiveTest, DeepHivesAreWrittenAndFreedWithoutACallPerLevel) {
  {
    RegistryHive hive;
    RegistryKey* key = &hive.Root();
    for (int level = 0; level < 20000; ++level) key = &key->AddSubkey("a");
    key->values.push_back({"v", 1, "x"});
    const std::string text = hive.Serialize();
    ASSERT_LT(text.size(), 50000u);
    EXPECT_EQ(text,
              "; registry hive\n" + DeepKeyLine(20000).substr(0, 40000) + "]\n\"v\"=1:\"x\"\n");
  }
  auto hive = std::make_unique<RegistryHive>();
  RegistryKey* key = &hive->Root();
  for (int level = 0; level < 300000; ++level) key = &key->AddSubkey("a");
  hive.reset();
}

// Keys that hold values and keys that only lead to others: the text names each once, in the
// order the keys were made, and reads back as the same hive.
TEST(RegistryHiveTest, KeysThatOnlyLeadToOthersNeedNoLine) {
  RegistryHive hive;
  auto& software = hive.Root().AddSubkey("Software");
  auto& maker = software.AddSubkey("Maker");
  maker.AddSubkey("First").values.push_back({"v", 1, "1"});
  maker.AddSubkey("Second");
  software.values.push_back({"w", 4, "2"});
  hive.Root().AddSubkey("Other");
  const std::string text = hive.Serialize();
  EXPECT_EQ(text,
            "; registry hive\n"
            "[Software]\n\"w\"=4:\"2\"\n"
            "[Software\\Maker\\First]\n\"v\"=1:\"1\"\n"
            "[Software\\Maker\\Second]\n"
            "[Other]\n");
  EXPECT_EQ(RegistryHive::Parse(text).Serialize(), text);
}

// Many keys beside each other, and many values in one key, read in time that grows with the
// text (one name looked up among all the others at every line would take minutes).
TEST(RegistryHiveTest, WideHivesReadInLinearTime) {
  constexpr int kCount = 200000;
  std::string keys, values = "[Many]\n";
  for (int i = 0; i < kCount; ++i) {
    keys += "[Wide\\Key " + std::to_string(i) + "]\n";
    values += "\"Value " + std::to_string(i) + "\"=4:\"x\"\n";
  }
  const auto start = std::chrono::steady_clock::now();
  RegistryHive wide = RegistryHive::Parse(keys);
  RegistryHive many = RegistryHive::Parse(values);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(30));
  ASSERT_NE(wide.Find({"wide"}), nullptr);
  EXPECT_EQ(wide.Find({"wide"})->subkeys.size(), size_t{kCount});
  ASSERT_NE(many.Find({"MANY"}), nullptr);
  EXPECT_EQ(many.Find({"MANY"})->values.size(), size_t{kCount});
  EXPECT_EQ(wide.Serialize(), "; registry hive\n" + keys);
}

}  // namespace
