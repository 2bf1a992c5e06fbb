// teskwma.dll carries its SDK layer inside itself and needs only FFmpeg's shared libraries,
// found where the system installed them: a copy written anywhere loads, and it fails to load
// (the host then reports code 10) where those libraries are missing.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/engine/modules/wma/WmaHost.h"

namespace {

struct DynamicSection {
  std::vector<std::string> Needed;
  std::vector<std::string> RunPaths;  // DT_RPATH and DT_RUNPATH alike
};

// Reads the needed libraries and run paths of a 64-bit ELF file from its dynamic segment.
DynamicSection ReadDynamicSection(const std::vector<uint8_t>& bytes) {
  DynamicSection section;
  if (bytes.size() < sizeof(Elf64_Ehdr) || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0 ||
      bytes[EI_CLASS] != ELFCLASS64) {
    ADD_FAILURE() << "not a 64-bit ELF file";
    return section;
  }
  Elf64_Ehdr header;
  std::memcpy(&header, bytes.data(), sizeof header);
  std::vector<Elf64_Phdr> segments(header.e_phnum);
  for (size_t i = 0; i < segments.size(); ++i) {
    const size_t at = header.e_phoff + i * header.e_phentsize;
    if (at + sizeof(Elf64_Phdr) > bytes.size()) return section;
    std::memcpy(&segments[i], bytes.data() + at, sizeof(Elf64_Phdr));
  }
  // File offset of a virtual address.
  auto offsetOf = [&segments](Elf64_Addr address) -> size_t {
    for (const Elf64_Phdr& segment : segments)
      if (segment.p_type == PT_LOAD && address >= segment.p_vaddr &&
          address < segment.p_vaddr + segment.p_filesz)
        return segment.p_offset + (address - segment.p_vaddr);
    return 0;
  };
  std::vector<Elf64_Dyn> entries;
  for (const Elf64_Phdr& segment : segments) {
    if (segment.p_type != PT_DYNAMIC) continue;
    for (size_t at = segment.p_offset;
         at + sizeof(Elf64_Dyn) <= segment.p_offset + segment.p_filesz; at += sizeof(Elf64_Dyn)) {
      Elf64_Dyn entry;
      std::memcpy(&entry, bytes.data() + at, sizeof entry);
      if (entry.d_tag == DT_NULL) break;
      entries.push_back(entry);
    }
  }
  size_t strings = 0;
  for (const Elf64_Dyn& entry : entries)
    if (entry.d_tag == DT_STRTAB) strings = offsetOf(entry.d_un.d_ptr);
  EXPECT_NE(strings, 0u) << "no string table";
  if (strings == 0) return section;
  for (const Elf64_Dyn& entry : entries) {
    const size_t at = strings + entry.d_un.d_val;
    if (at >= bytes.size()) continue;
    const char* start = reinterpret_cast<const char*>(bytes.data()) + at;
    const std::string text(start, strnlen(start, bytes.size() - at));
    if (entry.d_tag == DT_NEEDED) section.Needed.push_back(text);
    if (entry.d_tag == DT_RPATH || entry.d_tag == DT_RUNPATH) section.RunPaths.push_back(text);
  }
  return section;
}

struct ProbeResult {
  int status;
  std::string output;
};

ProbeResult RunCommand(const std::string& command) {
  ProbeResult result{-1, {}};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 512> buffer;
  while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) result.output += buffer.data();
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Where the loader finds a library by its needed name.
std::string InstalledPath(const std::string& name) {
  // Kept mapped: what the library allocates when it loads must stay visible to the leak checker.
  void* library = dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
  if (library == nullptr) return "";
  link_map* map = nullptr;
  std::string path;
  if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) path = map->l_name;
  dlclose(library);
  return path;
}

TEST(WmaLoad, NeedsOnlyTheSystemsFfmpegLibrariesAndNoRunPath) {
  const DynamicSection section = ReadDynamicSection(ReadBytes(TESKWMA_PATH));
  for (const char* library :
       {"libavformat.so.", "libavcodec.so.", "libswresample.so.", "libavutil.so."}) {
    bool found = false;
    for (const std::string& needed : section.Needed) found |= needed.rfind(library, 0) == 0;
    EXPECT_TRUE(found) << library;
  }
  for (const std::string& needed : section.Needed)
    EXPECT_EQ(needed.find("wmaudsdk"), std::string::npos) << needed;
  EXPECT_TRUE(section.RunPaths.empty()) << section.RunPaths.front();
}

TEST(WmaLoad, ACopyInAnUnrelatedFolderLoads) {
  TempFolder folder;
  const std::string module = folder.File("teskwma.dll");
  WriteBytes(module, ReadBytes(TESKWMA_PATH));
  const ProbeResult loads = RunCommand(Quoted(WMA_LOAD_PROBE) + " " + Quoted(module));
  EXPECT_EQ(loads.status, 0) << loads.output;
}

// A host that loads the module, plays to the wave device, stops, closes and unloads it, again
// and again, loses no memory: FFmpeg's libraries keep what they allocated as they started.
// The probe does it on the virtual device; under the leak checker (the sanitizer build) a lost
// allocation makes its exit status the checker's and its output the report.
TEST(WmaLoad, LoadingAndUnloadingItAgainLosesNoMemory) {
  const ProbeResult reloads =
      RunCommand("BRASSEL_AUDIO=virtual " + Quoted(WMA_RELOAD_PROBE) + " " + Quoted(TESKWMA_PATH) +
                 " " + Quoted(WmaFixture("v2-22k-mono-4s.wma").string()));
  EXPECT_EQ(reloads.status, 0) << reloads.output;
  EXPECT_EQ(reloads.output.find("LeakSanitizer"), std::string::npos) << reloads.output;
}

// FFmpeg's decoding library taken away in a private mount namespace of the probe.
TEST(WmaLoad, FailsToLoadWithoutFfmpeg) {
  if (geteuid() != 0) GTEST_SKIP() << "taking a system library away needs the superuser";
  if (RunCommand("unshare --mount true").status != 0)
    GTEST_SKIP() << "no private mount namespace here";
  std::string codec;
  for (const std::string& needed : ReadDynamicSection(ReadBytes(TESKWMA_PATH)).Needed)
    if (needed.rfind("libavcodec.so.", 0) == 0) codec = InstalledPath(needed);
  ASSERT_FALSE(codec.empty());
  TempFolder folder;
  const std::string module = folder.File("teskwma.dll");
  WriteBytes(module, ReadBytes(TESKWMA_PATH));
  const ProbeResult fails = RunCommand(
      "unshare --mount sh -c " + Quoted("mount --bind /dev/null \"$0\" && exec \"$1\" \"$2\"") +
      " " + Quoted(codec) + " " + Quoted(WMA_LOAD_PROBE) + " " + Quoted(module));
  EXPECT_EQ(fails.status, 1) << fails.output;
  EXPECT_NE(fails.output.find("libavcodec.so"), std::string::npos) << fails.output;
}

}  // namespace
