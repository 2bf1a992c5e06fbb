// teskdec.dll shows exactly the 42 "QV" exports in its dynamic symbol table, and a host binds
// every one of them by name.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tests/engine/modules/mpeg/ModuleHost.h"

namespace {

// The defined global symbols of an ELF64 shared object's dynamic symbol table.
std::set<std::string> DefinedDynamicSymbols(const std::vector<uint8_t>& file) {
  std::set<std::string> names;
  if (file.size() < sizeof(Elf64_Ehdr)) return names;
  Elf64_Ehdr header;
  std::memcpy(&header, file.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
    return names;
  const auto section = [&](size_t index) {
    Elf64_Shdr s;
    std::memcpy(&s, file.data() + header.e_shoff + index * header.e_shentsize, sizeof s);
    return s;
  };
  for (size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symbols = section(i);
    if (symbols.sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr strings = section(symbols.sh_link);
    for (size_t at = 0; at + sizeof(Elf64_Sym) <= symbols.sh_size; at += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol;
      std::memcpy(&symbol, file.data() + symbols.sh_offset + at, sizeof symbol);
      const int binding = ELF64_ST_BIND(symbol.st_info);
      if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK)) continue;
      names.insert(reinterpret_cast<const char*>(file.data() + strings.sh_offset + symbol.st_name));
    }
  }
  return names;
}

TEST(Exports, ExactlyTheFortyTwoNamesAreVisible) {
  const auto symbols = DefinedDynamicSymbols(ReadBytes(TESKDEC_PATH));
  std::set<std::string> expected;
#define QV_NAME(name, result, params) expected.insert(#name);
  QV_EXPORT_LIST(QV_NAME)
#undef QV_NAME
  ASSERT_EQ(expected.size(), 42u);
  EXPECT_EQ(symbols, expected);
}

TEST(Exports, HostBindsEveryName) {
  ModuleLibrary qv;
  ASSERT_TRUE(qv.Loaded()) << dlerror();
  EXPECT_TRUE(qv.AllBound());
}

}  // namespace
