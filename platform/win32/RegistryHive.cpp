#include "platform/win32/RegistryHive.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "platform/win32/AsciiCase.h"

namespace win32 {
namespace {

void AppendEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '%' || c == '"' || c == ']') {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int high = HexDigit(text[i + 1]);
    int low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

void AppendKey(std::string& out, std::string_view path, const RegistryKey& key) {
  out += '[';
  AppendEscaped(out, path);
  out += "]\n";
  for (const RegistryValue& value : key.values) {
    out += '"';
    AppendEscaped(out, value.name);
    out += "\"=" + std::to_string(value.type) + ":\"";
    AppendEscaped(out, value.data);
    out += "\"\n";
  }
}

// The bytes that a UTF-8 sequence starting at `at` takes; 1 for a byte that starts none.
size_t SequenceLength(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                  : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 1;
  if (at + length > text.size()) return 1;
  for (size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 1;
  return length;
}

// Finds a key's subkeys and values by name in time that does not grow with their number, so
// that reading a hive takes time in proportion to its size.
class NameIndex {
 public:
  RegistryKey& Subkey(RegistryKey& parent, std::string name) {
    auto [slot, added] = keys_.try_emplace(Slot(&parent, name), nullptr);
    if (added) slot->second = &parent.AddSubkey(std::move(name));
    return *slot->second;
  }
  void SetValue(RegistryKey& key, RegistryValue value) {
    auto [slot, added] = values_.try_emplace(Slot(&key, value.name), key.values.size());
    if (added)
      key.values.push_back(std::move(value));
    else
      key.values[slot->second] = std::move(value);
  }

 private:
  static std::string Slot(const RegistryKey* owner, std::string_view name) {
    std::string slot(reinterpret_cast<const char*>(&owner), sizeof owner);
    for (char c : name) slot += LowerAscii(c);
    return slot;
  }
  std::unordered_map<std::string, RegistryKey*> keys_;
  std::unordered_map<std::string, size_t> values_;
};

// "name"=type:"data"
bool ParseValueLine(std::string_view line, RegistryValue& value) {
  if (line.size() < 2 || line[0] != '"') return false;
  size_t nameEnd = line.find('"', 1);
  if (nameEnd == std::string_view::npos || !Unescape(line.substr(1, nameEnd - 1), value.name))
    return false;
  std::string_view rest = line.substr(nameEnd + 1);
  if (rest.empty() || rest[0] != '=') return false;
  size_t colon = rest.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  unsigned long type = 0;
  for (char c : rest.substr(1, colon - 1)) {
    if (c < '0' || c > '9' || type > 0xFFFFFFFFul / 10) return false;
    type = type * 10 + static_cast<unsigned long>(c - '0');
  }
  if (type > 0xFFFFFFFFul) return false;
  std::string_view data = rest.substr(colon + 1);
  if (data.size() < 2 || data.front() != '"' || data.back() != '"') return false;
  value.type = static_cast<DWORD>(type);
  return NameWithinLimit(value.name) && Unescape(data.substr(1, data.size() - 2), value.data);
}

}  // namespace

bool NameWithinLimit(std::string_view name) {
  size_t characters = 0;
  for (size_t at = 0; at < name.size(); at += SequenceLength(name, at))
    if (++characters > kMaxNameLength) return false;
  return true;
}

RegistryKey::~RegistryKey() {
  std::vector<std::unique_ptr<RegistryKey>> doomed = std::move(subkeys);
  while (!doomed.empty()) {
    std::unique_ptr<RegistryKey> key = std::move(doomed.back());
    doomed.pop_back();
    for (auto& subkey : key->subkeys) doomed.push_back(std::move(subkey));
    key->subkeys.clear();
  }
}

RegistryKey* RegistryKey::FindSubkey(std::string_view name) const {
  for (const auto& subkey : subkeys)
    if (EqualsIgnoringAsciiCase(subkey->name, name)) return subkey.get();
  return nullptr;
}

RegistryKey& RegistryKey::AddSubkey(std::string name) {
  subkeys.push_back(std::make_unique<RegistryKey>());
  subkeys.back()->name = std::move(name);
  return *subkeys.back();
}

bool RegistryKey::RemoveSubkey(std::string_view name) {
  auto found = std::find_if(subkeys.begin(), subkeys.end(), [&](const auto& subkey) {
    return EqualsIgnoringAsciiCase(subkey->name, name);
  });
  if (found == subkeys.end()) return false;
  subkeys.erase(found);
  return true;
}

RegistryValue* RegistryKey::FindValue(std::string_view name) {
  for (RegistryValue& value : values)
    if (EqualsIgnoringAsciiCase(value.name, name)) return &value;
  return nullptr;
}

bool RegistryKey::RemoveValue(std::string_view name) {
  auto found = std::find_if(values.begin(), values.end(), [&](const RegistryValue& value) {
    return EqualsIgnoringAsciiCase(value.name, name);
  });
  if (found == values.end()) return false;
  values.erase(found);
  return true;
}

RegistryKey* RegistryHive::Find(const std::vector<std::string>& path) {
  RegistryKey* key = &root_;
  for (const std::string& name : path) {
    key = key->FindSubkey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

RegistryHive RegistryHive::Parse(std::string_view text) {
  RegistryHive hive;
  NameIndex index;
  RegistryKey* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      std::string path;
      current = nullptr;
      if (line.back() != ']' || !Unescape(line.substr(1, line.size() - 2), path)) {
        hive.damaged_ = true;
        continue;
      }
      std::vector<std::string> names = SplitKeyPath(path);
      if (names.size() > kMaxKeyDepth ||
          !std::all_of(names.begin(), names.end(),
                       [](const auto& name) { return NameWithinLimit(name); })) {
        hive.damaged_ = true;
        continue;
      }
      RegistryKey* key = &hive.root_;
      for (std::string& name : names) key = &index.Subkey(*key, std::move(name));
      current = key;
      continue;
    }
    RegistryValue value;
    if (current == nullptr || !ParseValueLine(line, value)) {
      hive.damaged_ = true;
      continue;
    }
    index.SetValue(*current, std::move(value));
  }
  return hive;
}

std::string RegistryHive::Serialize() const {
  std::string out = "; registry hive\n";
  // Depth first in creation order, one path grown and cut as the walk goes: each entry is a
  // key and the length of its parent's path.
  struct Visit {
    const RegistryKey* key;
    size_t parentLength;
  };
  std::vector<Visit> pending{{&root_, 0}};
  std::string path;
  while (!pending.empty()) {
    const Visit visit = pending.back();
    pending.pop_back();
    path.resize(visit.parentLength);
    const bool root = visit.key == &root_;
    if (!root) {
      if (!path.empty()) path += '\\';
      path += visit.key->name;
    }
    // The root's own values go under "[]"; a key with subkeys and no values is named by them.
    if (!visit.key->values.empty() || (!root && visit.key->subkeys.empty()))
      AppendKey(out, path, *visit.key);
    for (auto subkey = visit.key->subkeys.rbegin(); subkey != visit.key->subkeys.rend(); ++subkey)
      pending.push_back({subkey->get(), path.size()});
  }
  return out;
}

}  // namespace win32
