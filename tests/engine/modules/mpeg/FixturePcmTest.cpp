// The decoder core's PCM of every committed MPEG fixture, with each kernel table at both
// rates, is the PCM recorded in tests/fixtures/pcm-hashes.txt, to the sample: a change that
// moves one sample of one stream fails here, and so does a stream added to the fixtures
// without its hashes. The listing is made by this test when BRASSEL_WRITE_PCM_HASHES names
// the file to write (see the head of the listing).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/engine/modules/mpeg/PcmHash.h"
#include "tests/support/Files.h"

namespace {

namespace fs = std::filesystem;

const char* const kListing = "pcm-hashes.txt";
const char* const kRates[] = {"full", "half"};

// One line of the listing: a stream at one rate.
struct Recorded {
  std::string stream;  // inside tests/fixtures
  int level = 0;
  mpegtest::HashedRun run;
};

std::vector<Recorded> ReadListing() {
  std::vector<Recorded> lines;
  std::istringstream text(ReadText(FixturePath(kListing)));
  for (std::string line; std::getline(text, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Recorded r;
    std::string hash, rate;
    fields >> hash >> r.run.Samples >> r.run.Failure >> rate >> r.stream;
    r.run.Hash = std::stoull(hash, nullptr, 16);
    r.level = rate == kRates[1] ? 1 : 0;
    lines.push_back(r);
  }
  return lines;
}

// Every stream the decoder reads under tests/fixtures, by its path there, in order.
std::vector<std::string> FixtureStreams() {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(BRASSEL_FIXTURES_DIR))
    if (entry.is_regular_file() && mpegtest::IsMpegStream(entry.path()))
      found.push_back(fs::relative(entry.path(), BRASSEL_FIXTURES_DIR).generic_string());
  std::sort(found.begin(), found.end());
  return found;
}

std::string Line(const std::string& stream, int level, const mpegtest::HashedRun& run) {
  char text[64];
  std::snprintf(text, sizeof text, "%016" PRIx64 " %10zu %3d %s ", run.Hash, run.Samples,
                run.Failure, kRates[level]);
  return text + stream;
}

class FixturePcm : public testing::TestWithParam<std::string> {};

TEST_P(FixturePcm, EachKernelTableGivesTheRecordedSamples) {
  const std::vector<Recorded> listing = ReadListing();
  for (const int level : {0, 1}) {
    const auto recorded = std::find_if(listing.begin(), listing.end(), [&](const Recorded& r) {
      return r.stream == GetParam() && r.level == level;
    });
    ASSERT_NE(recorded, listing.end()) << GetParam() << " " << kRates[level] << " is not in "
                                       << kListing;
    for (const bool baseline : {true, false}) {
      SCOPED_TRACE(baseline ? "SSE2 kernels" : "the processor's kernels");
      const mpegtest::HashedRun run =
          mpegtest::HashRun(FixturePath(GetParam()).string(), baseline, level);
      EXPECT_EQ(Line(GetParam(), level, run), Line(GetParam(), level, recorded->run));
    }
  }
}

std::string StreamName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixturePcm, testing::ValuesIn(FixtureStreams()), StreamName);

// The listing names every stream there is, once at each rate, and no other.
TEST(FixturePcmListing, NamesEveryStreamOfTheFixtures) {
  std::vector<std::string> listed;
  for (const Recorded& r : ReadListing()) listed.push_back(r.stream + " " + kRates[r.level]);
  std::vector<std::string> expected;
  for (const std::string& stream : FixtureStreams())
    for (const char* rate : kRates) expected.push_back(stream + " " + rate);
  std::sort(listed.begin(), listed.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
}

// With BRASSEL_WRITE_PCM_HASHES set to a file name, writes the listing there, from the SSE2
// kernels (the test above checks the others against it).
TEST(FixturePcmListing, WrittenOnRequest) {
  const char* target = std::getenv("BRASSEL_WRITE_PCM_HASHES");
  if (target == nullptr) GTEST_SKIP() << "BRASSEL_WRITE_PCM_HASHES names no file";
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << "# The decoder's PCM of every MPEG fixture, at the full rate and at half of it: the hash\n"
         "# (64-bit FNV-1a of the 16-bit samples), the sample count, the code of the failure that\n"
         "# ended the run (-1: none), the rate and the stream. Every kernel table gives these.\n"
         "# Made with: BRASSEL_WRITE_PCM_HASHES=$PWD/tests/fixtures/pcm-hashes.txt \\\n"
         "#   build/tests/engine/modules/mpeg/FixturePcmTest --gtest_filter='*WrittenOnRequest'\n";
  for (const std::string& stream : FixtureStreams())
    for (const int level : {0, 1})
      out << Line(stream, level, mpegtest::HashRun(FixturePath(stream).string(), true, level))
          << "\n";
  ASSERT_TRUE(out.good()) << target;
}

}  // namespace
