#include "platform/win32/Registry.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/AsciiCase.h"
#include "platform/win32/AtomicFile.h"
#include "platform/win32/Machine.h"
#include "platform/win32/RegistryHive.h"

namespace {

using win32::RegistryHive;
using win32::RegistryKey;
using win32::RegistryValue;

enum class HiveId { User, Machine };

struct KeyHandle {
  HiveId hive;
  std::vector<std::string> path;
  REGSAM access;
};

std::mutex handlesMutex;
std::map<uintptr_t, KeyHandle> openKeys;
uintptr_t nextHandle = 0x1000;

std::optional<KeyHandle> Resolve(HKEY key) {
  if (key == HKEY_CURRENT_USER) return KeyHandle{HiveId::User, {}, KEY_ALL_ACCESS};
  if (key == HKEY_LOCAL_MACHINE) return KeyHandle{HiveId::Machine, {}, KEY_ALL_ACCESS};
  std::lock_guard lock(handlesMutex);
  auto found = openKeys.find(reinterpret_cast<uintptr_t>(key));
  if (found == openKeys.end()) return std::nullopt;
  return found->second;
}

HKEY NewHandle(KeyHandle handle) {
  std::lock_guard lock(handlesMutex);
  uintptr_t value = nextHandle;
  nextHandle += 4;
  openKeys.emplace(value, std::move(handle));
  return reinterpret_cast<HKEY>(value);
}

// Splits "A\B\C" into its names; a trailing backslash is allowed, an empty name elsewhere
// (and so a leading backslash) is not.
LONG SplitSubKey(LPCSTR subKey, std::vector<std::string>& names) {
  if (subKey == nullptr) return ERROR_SUCCESS;
  std::string_view path(subKey);
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end == start) return ERROR_BAD_PATHNAME;
    names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

bool IsShellFoldersKey(HiveId hive, const std::vector<std::string>& path) {
  std::vector<std::string> names;
  SplitSubKey(win32::kShellFoldersKey, names);
  return hive == HiveId::User && path.size() == names.size() &&
         std::equal(path.begin(), path.end(), names.begin(), [](const auto& a, const auto& b) {
           return win32::EqualsIgnoringAsciiCase(a, b);
         });
}

bool IsShellFolderName(std::string_view name) {
  return win32::EqualsIgnoringAsciiCase(name, "Desktop") ||
         win32::EqualsIgnoringAsciiCase(name, "Programs");
}

// The text of a string value: its data up to the first NUL.
std::string TextOf(const RegistryValue& value) {
  return value.data.substr(0, value.data.find('\0'));
}

// A shell folder value that names a folder: a string (taken unexpanded) holding an absolute
// path other than the root. Any other counts as missing.
bool HoldsShellFolder(const RegistryValue& value) {
  return (value.type == REG_SZ || value.type == REG_EXPAND_SZ) &&
         win32::IsShellFolderPath(TextOf(value));
}

// Gives the user's hive the shell folders that it lacks (no value, or one naming no folder),
// as the shell does for a profile; true when it changed the hive.
bool HoldShellFolders(RegistryHive& hive) {
  RegistryKey* key = &hive.Root();
  std::vector<std::string> names;
  SplitSubKey(win32::kShellFoldersKey, names);
  bool changed = false;
  for (std::string& name : names) {
    RegistryKey* next = key->FindSubkey(name);
    if (next == nullptr) {
      next = &key->AddSubkey(std::move(name));
      changed = true;
    }
    key = next;
  }
  std::vector<std::pair<std::string, std::string>> defaults;
  for (const char* name : {"Desktop", "Programs"}) {
    RegistryValue* value = key->FindValue(name);
    if (value != nullptr && HoldsShellFolder(*value)) continue;
    if (defaults.empty()) defaults = win32::DefaultShellFolders();
    for (auto& [defaultName, folder] : defaults) {
      if (defaultName != name) continue;
      std::string data = folder + std::string(1, '\0');
      if (value != nullptr)
        *value = {value->name, REG_SZ, std::move(data)};
      else
        key->values.push_back({defaultName, REG_SZ, std::move(data)});
    }
    changed = true;
  }
  return changed;
}

// One call's view of a hive: the hive file locked, read, and written back on a change. A hive
// that cannot be parsed (lines that cannot be read, more than a hive may hold, a folder or a
// FIFO in its place) is kept aside under a name of its own, "<name>.bad", "<name>.bad.1", ...,
// when the first change replaces it with what could be read.
class HiveSession {
 public:
  explicit HiveSession(HiveId id)
      : path_(id == HiveId::User ? win32::UserHivePath() : win32::MachineHivePath()), lock_(path_) {
    std::string text;
    DWORD error = ERROR_SUCCESS;
    bool fresh = false;
    switch (win32::ReadFileUpTo(path_, win32::kMaxHiveFileSize, text, error)) {
      case win32::FileRead::Read:
        hive_ = RegistryHive::Parse(text);
        damaged_ = hive_.Damaged();
        break;
      case win32::FileRead::Missing: fresh = true; break;
      case win32::FileRead::NotAFile:
        notAFile_ = true;
        damaged_ = true;
        break;
      case win32::FileRead::TooLarge: damaged_ = true; break;
      case win32::FileRead::Unreadable:
        // A hive that exists but cannot be read must not be replaced by what little is known.
        unreadable_ = true;
        break;
    }
    // The user's hive always holds the shell's folders; one that may not be changed still
    // answers them.
    if (id == HiveId::User && HoldShellFolders(hive_) && (fresh || MayChange())) Save();
  }

  RegistryHive& Hive() { return hive_; }
  // A hive file that the user may not write stays as it is, damaged or not; what stands in
  // place of one may be put aside.
  bool MayChange() const {
    return !unreadable_ &&
           (notAFile_ ? win32::MayReplaceWhateverIsAt(path_) : win32::MayWriteFile(path_));
  }
  LONG Save() {
    const std::string text = hive_.Serialize();
    // What could not be read back is never written.
    if (text.size() > win32::kMaxHiveFileSize) return static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY);
    if (!damaged_) return static_cast<LONG>(win32::ReplaceFileContents(path_, text));
    const DWORD error = win32::ReplaceKeepingAside(path_, text, ".bad");
    if (error == ERROR_SUCCESS) damaged_ = notAFile_ = false;
    return static_cast<LONG>(error);
  }

 private:
  std::string path_;
  win32::FolderLock lock_;
  RegistryHive hive_;
  bool unreadable_ = false;
  bool damaged_ = false;
  bool notAFile_ = false;
};

LONG OpenOrCreate(HKEY key, LPCSTR subKey, REGSAM samDesired, bool create, PHKEY result,
                  LPDWORD disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::optional<KeyHandle> base = Resolve(key);
  if (!base) return ERROR_INVALID_HANDLE;
  std::vector<std::string> names;
  if (LONG error = SplitSubKey(subKey, names); error != ERROR_SUCCESS) return error;

  HiveSession session(base->hive);
  RegistryKey* current = session.Hive().Find(base->path);
  if (current == nullptr) return ERROR_KEY_DELETED;
  KeyHandle opened{base->hive, base->path, samDesired};
  bool created = false;
  for (std::string& name : names) {
    RegistryKey* next = current->FindSubkey(name);
    if (next == nullptr) {
      if (!create) return ERROR_FILE_NOT_FOUND;
      // Within the limits that every hive keeps, so that it reads back.
      if (!win32::NameWithinLimit(name) || opened.path.size() >= win32::kMaxKeyDepth)
        return ERROR_INVALID_PARAMETER;
      if ((base->access & KEY_CREATE_SUB_KEY) == 0 || !session.MayChange())
        return ERROR_ACCESS_DENIED;
      next = &current->AddSubkey(name);
      created = true;
    }
    opened.path.push_back(next->name);
    current = next;
  }
  if (created) {
    if (LONG error = session.Save(); error != ERROR_SUCCESS) return error;
  }
  if (disposition != nullptr)
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(std::move(opened));
  return ERROR_SUCCESS;
}

}  // namespace

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  return OpenOrCreate(key, subKey, samDesired, true, result, disposition);
}

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM samDesired, PHKEY result) {
  return OpenOrCreate(key, subKey, samDesired, false, result, nullptr);
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
  std::optional<KeyHandle> handle = Resolve(key);
  if (!handle) return ERROR_INVALID_HANDLE;
  if ((handle->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
  HiveSession session(handle->hive);
  RegistryKey* current = session.Hive().Find(handle->path);
  if (current == nullptr) return ERROR_KEY_DELETED;
  RegistryValue* value = current->FindValue(valueName != nullptr ? valueName : "");
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  // A shell folder that is handed out exists, even after the user deleted it.
  if (IsShellFoldersKey(handle->hive, handle->path) && IsShellFolderName(value->name))
    win32::MakeShellFolder(TextOf(*value));
  if (type != nullptr) *type = value->type;
  const auto size = static_cast<DWORD>(value->data.size());
  LONG result = ERROR_SUCCESS;
  if (data != nullptr) {
    if (*dataSize < size)
      result = ERROR_MORE_DATA;
    else
      std::memcpy(data, value->data.data(), size);
  }
  if (dataSize != nullptr) *dataSize = size;
  return result;
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                           DWORD dataSize) {
  std::optional<KeyHandle> handle = Resolve(key);
  if (!handle) return ERROR_INVALID_HANDLE;
  if ((handle->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  if (data == nullptr && dataSize > 0) return ERROR_INVALID_PARAMETER;
  std::string name = valueName != nullptr ? valueName : "";
  if (!win32::NameWithinLimit(name)) return ERROR_INVALID_PARAMETER;
  if (dataSize > win32::kMaxHiveFileSize) return ERROR_NOT_ENOUGH_MEMORY;
  HiveSession session(handle->hive);
  RegistryKey* current = session.Hive().Find(handle->path);
  if (current == nullptr) return ERROR_KEY_DELETED;
  if (!session.MayChange()) return ERROR_ACCESS_DENIED;
  std::string bytes(reinterpret_cast<const char*>(data), data != nullptr ? dataSize : 0);
  if (RegistryValue* value = current->FindValue(name)) {
    value->type = type;
    value->data = std::move(bytes);
  } else {
    current->values.push_back({std::move(name), type, std::move(bytes)});
  }
  return session.Save();
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  std::optional<KeyHandle> handle = Resolve(key);
  if (!handle) return ERROR_INVALID_HANDLE;
  if ((handle->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  HiveSession session(handle->hive);
  RegistryKey* current = session.Hive().Find(handle->path);
  if (current == nullptr) return ERROR_KEY_DELETED;
  const char* name = valueName != nullptr ? valueName : "";
  if (current->FindValue(name) == nullptr) return ERROR_FILE_NOT_FOUND;
  if (!session.MayChange()) return ERROR_ACCESS_DENIED;
  current->RemoveValue(name);
  return session.Save();
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  std::optional<KeyHandle> handle = Resolve(key);
  if (!handle) return ERROR_INVALID_HANDLE;
  std::vector<std::string> names;
  if (subKey == nullptr || *subKey == '\0') return ERROR_INVALID_PARAMETER;
  if (LONG error = SplitSubKey(subKey, names); error != ERROR_SUCCESS) return error;
  std::vector<std::string> path = handle->path;
  path.insert(path.end(), names.begin(), names.end() - 1);
  HiveSession session(handle->hive);
  RegistryKey* parent = session.Hive().Find(path);
  if (parent == nullptr)
    return session.Hive().Find(handle->path) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
  RegistryKey* target = parent->FindSubkey(names.back());
  if (target == nullptr) return ERROR_FILE_NOT_FOUND;
  if (!target->subkeys.empty() || !session.MayChange()) return ERROR_ACCESS_DENIED;
  parent->RemoveSubkey(names.back());
  return session.Save();
}

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD,
                          LPSTR keyClass, LPDWORD classSize, PFILETIME lastWriteTime) {
  std::optional<KeyHandle> handle = Resolve(key);
  if (!handle) return ERROR_INVALID_HANDLE;
  if ((handle->access & KEY_ENUMERATE_SUB_KEYS) == 0) return ERROR_ACCESS_DENIED;
  if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
  HiveSession session(handle->hive);
  RegistryKey* current = session.Hive().Find(handle->path);
  if (current == nullptr) return ERROR_KEY_DELETED;
  if (index >= current->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const std::string& found = current->subkeys[index]->name;
  if (found.size() + 1 > *nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), found.size() + 1);
  *nameSize = static_cast<DWORD>(found.size());
  if (keyClass != nullptr && classSize != nullptr && *classSize > 0) *keyClass = '\0';
  if (classSize != nullptr) *classSize = 0;
  if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key) {
  if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  std::lock_guard lock(handlesMutex);
  return openKeys.erase(reinterpret_cast<uintptr_t>(key)) == 1 ? ERROR_SUCCESS
                                                               : ERROR_INVALID_HANDLE;
}
