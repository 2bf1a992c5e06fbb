#include "platform/win32/ShellLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/CodePage.h"

const CLSID CLSID_ShellLink = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IShellLinkA = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPersist = {
    0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

// The binary format's constants.
constexpr DWORD kHeaderSize = 0x4C;
constexpr DWORD HasLinkTargetIDList = 0x00000001;
constexpr DWORD HasLinkInfo = 0x00000002;
constexpr DWORD HasName = 0x00000004;
constexpr DWORD HasRelativePath = 0x00000008;
constexpr DWORD HasWorkingDir = 0x00000010;
constexpr DWORD HasArguments = 0x00000020;
constexpr DWORD HasIconLocation = 0x00000040;
constexpr DWORD IsUnicode = 0x00000080;
constexpr DWORD VolumeIDAndLocalBasePath = 0x00000001;
constexpr DWORD kLinkInfoHeaderSize = 0x1C;
constexpr DWORD kDriveFixed = 3;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020;
// Anything larger is not a link; the cap keeps a wrong file from being read whole.
constexpr DWORD kMaxLinkFileSize = 1u << 20;

std::string WideFileName(LPCOLESTR name) { return win32::Utf16ToUtf8(name); }

// Copies into a caller's buffer of cch bytes: at most cch - 1 of them, always terminated.
HRESULT CopyOut(const std::string& text, LPSTR buffer, int cch) {
  if (buffer == nullptr) return E_POINTER;
  if (cch <= 0) return S_OK;
  const size_t count = std::min(text.size(), static_cast<size_t>(cch) - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return S_OK;
}

// FILETIME counts 100 ns steps from 1601-01-01.
FILETIME ToFileTime(const struct timespec& time) {
  constexpr uint64_t kEpochDifference = 116444736000000000ull;
  const uint64_t ticks = kEpochDifference + static_cast<uint64_t>(time.tv_sec) * 10000000ull +
                         static_cast<uint64_t>(time.tv_nsec) / 100;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

struct LinkData {
  std::string path;
  std::string description;
  std::string relativePath;
  std::string workingDirectory;
  std::string arguments;
  std::string iconLocation;
  WORD hotKey = 0;
  int showCmd = 1;  // SW_SHOWNORMAL, the shell's default for a new link
  int iconIndex = 0;
  DWORD fileAttributes = 0;
  FILETIME creationTime{};
  FILETIME accessTime{};
  FILETIME writeTime{};
  DWORD fileSize = 0;
};

class Writer {
 public:
  void U16(uint32_t value) {
    bytes_.push_back(static_cast<uint8_t>(value));
    bytes_.push_back(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value) {
    U16(value & 0xFFFF);
    U16(value >> 16);
  }
  void Guid(const GUID& guid) {
    U32(guid.Data1);
    U16(guid.Data2);
    U16(guid.Data3);
    for (uint8_t byte : guid.Data4) bytes_.push_back(byte);
  }
  void Time(const FILETIME& time) {
    U32(time.dwLowDateTime);
    U32(time.dwHighDateTime);
  }
  void Bytes(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
  void ZeroTerminated(const std::string& text) {
    Bytes(text);
    bytes_.push_back(0);
  }
  // A string-data entry: its count of UTF-16 units, then the units without a terminator.
  void CountedUnicode(const std::string& text) {
    std::u16string wide = win32::Utf8ToUtf16(text);
    if (wide.size() > 0xFFFF) wide.resize(0xFFFF);
    U16(static_cast<uint32_t>(wide.size()));
    for (char16_t unit : wide) U16(unit);
  }
  std::vector<uint8_t>& Data() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads within its bytes only; any read past the end marks it failed.
class Reader {
 public:
  Reader(const std::vector<uint8_t>& bytes, size_t begin, size_t end)
      : bytes_(bytes), pos_(begin), end_(std::min(end, bytes.size())) {}
  bool Ok() const { return ok_; }
  size_t Pos() const { return pos_; }
  uint32_t U16() {
    if (!Need(2)) return 0;
    uint32_t value = bytes_[pos_] | bytes_[pos_ + 1] << 8;
    pos_ += 2;
    return value;
  }
  uint32_t U32() {
    uint32_t low = U16();
    return low | U16() << 16;
  }
  GUID Guid() {
    GUID guid{};
    guid.Data1 = U32();
    guid.Data2 = static_cast<uint16_t>(U16());
    guid.Data3 = static_cast<uint16_t>(U16());
    for (uint8_t& byte : guid.Data4) byte = Need(1) ? bytes_[pos_++] : 0;
    return guid;
  }
  FILETIME Time() {
    FILETIME time;
    time.dwLowDateTime = U32();
    time.dwHighDateTime = U32();
    return time;
  }
  void Skip(size_t count) {
    if (Need(count)) pos_ += count;
  }
  std::string CountedString(bool unicode) {
    const size_t count = U16();
    if (!unicode) {
      if (!Need(count)) return "";
      std::string text(bytes_.begin() + pos_, bytes_.begin() + pos_ + count);
      pos_ += count;
      return text.substr(0, std::strlen(text.c_str()));
    }
    if (!Need(count * 2)) return "";
    std::u16string wide;
    for (size_t i = 0; i < count; ++i) wide.push_back(static_cast<char16_t>(U16()));
    return win32::Utf16ToUtf8(std::u16string_view(wide).substr(0, wide.find(u'\0')));
  }
  // A NUL-terminated single-byte string starting at offset, within this reader's range.
  std::string ZeroTerminatedAt(size_t offset) const {
    std::string text;
    for (size_t i = offset; i < end_; ++i) {
      if (bytes_[i] == 0) return text;
      text.push_back(static_cast<char>(bytes_[i]));
    }
    return "";
  }
  std::string ZeroTerminatedWideAt(size_t offset) const {
    std::u16string wide;
    for (size_t i = offset; i + 1 < end_; i += 2) {
      const char16_t unit = static_cast<char16_t>(bytes_[i] | bytes_[i + 1] << 8);
      if (unit == 0) return win32::Utf16ToUtf8(wide);
      wide.push_back(unit);
    }
    return "";
  }

 private:
  bool Need(size_t count) {
    if (ok_ && count <= end_ - pos_) return true;
    ok_ = false;
    return false;
  }
  const std::vector<uint8_t>& bytes_;
  size_t pos_;
  size_t end_;
  bool ok_ = true;
};

std::vector<uint8_t> Serialize(const LinkData& link) {
  DWORD flags = IsUnicode;
  if (!link.path.empty()) flags |= HasLinkInfo;
  if (!link.description.empty()) flags |= HasName;
  if (!link.relativePath.empty()) flags |= HasRelativePath;
  if (!link.workingDirectory.empty()) flags |= HasWorkingDir;
  if (!link.arguments.empty()) flags |= HasArguments;
  if (!link.iconLocation.empty()) flags |= HasIconLocation;

  Writer out;
  out.U32(kHeaderSize);
  out.Guid(CLSID_ShellLink);
  out.U32(flags);
  out.U32(link.fileAttributes);
  out.Time(link.creationTime);
  out.Time(link.accessTime);
  out.Time(link.writeTime);
  out.U32(link.fileSize);
  out.U32(static_cast<uint32_t>(link.iconIndex));
  out.U32(static_cast<uint32_t>(link.showCmd));
  out.U16(link.hotKey);
  out.U16(0);  // reserved
  out.U32(0);
  out.U32(0);

  if (flags & HasLinkInfo) {
    // One volume (a fixed drive without serial number or label), the local base path and an
    // empty common path suffix.
    constexpr DWORD kVolumeIDSize = 0x10 + 1;
    const DWORD volumeOffset = kLinkInfoHeaderSize;
    const DWORD baseOffset = volumeOffset + kVolumeIDSize;
    const DWORD suffixOffset = baseOffset + static_cast<DWORD>(link.path.size()) + 1;
    const DWORD infoSize = suffixOffset + 1;
    out.U32(infoSize);
    out.U32(kLinkInfoHeaderSize);
    out.U32(VolumeIDAndLocalBasePath);
    out.U32(volumeOffset);
    out.U32(baseOffset);
    out.U32(0);  // no network location
    out.U32(suffixOffset);
    out.U32(kVolumeIDSize);
    out.U32(kDriveFixed);
    out.U32(0);     // serial number
    out.U32(0x10);  // label offset: the label follows the four fields
    out.ZeroTerminated("");
    out.ZeroTerminated(link.path);
    out.ZeroTerminated("");
  }
  if (flags & HasName) out.CountedUnicode(link.description);
  if (flags & HasRelativePath) out.CountedUnicode(link.relativePath);
  if (flags & HasWorkingDir) out.CountedUnicode(link.workingDirectory);
  if (flags & HasArguments) out.CountedUnicode(link.arguments);
  if (flags & HasIconLocation) out.CountedUnicode(link.iconLocation);
  out.U32(0);  // terminal block: no extra data
  return std::move(out.Data());
}

// The local path of a link-information structure that starts at begin.
bool ParseLinkInfo(const std::vector<uint8_t>& bytes, size_t begin, size_t size,
                   std::string& path) {
  Reader info(bytes, begin, begin + size);
  info.Skip(4);  // the size, known already
  const DWORD headerSize = info.U32();
  const DWORD flags = info.U32();
  info.U32();  // volume ID offset
  const DWORD baseOffset = info.U32();
  info.U32();  // network location offset
  const DWORD suffixOffset = info.U32();
  DWORD baseOffsetUnicode = 0, suffixOffsetUnicode = 0;
  if (headerSize >= 0x24) {
    baseOffsetUnicode = info.U32();
    suffixOffsetUnicode = info.U32();
  }
  if (!info.Ok() || headerSize < kLinkInfoHeaderSize || headerSize > size) return false;
  if ((flags & VolumeIDAndLocalBasePath) == 0) return true;  // a network target: no local path
  if (baseOffset >= size || suffixOffset >= size) return false;
  if (baseOffsetUnicode != 0 && baseOffsetUnicode < size) {
    path = info.ZeroTerminatedWideAt(begin + baseOffsetUnicode);
    if (suffixOffsetUnicode != 0 && suffixOffsetUnicode < size)
      path += info.ZeroTerminatedWideAt(begin + suffixOffsetUnicode);
  } else {
    path = info.ZeroTerminatedAt(begin + baseOffset) + info.ZeroTerminatedAt(begin + suffixOffset);
  }
  return true;
}

bool Parse(const std::vector<uint8_t>& bytes, LinkData& link) {
  Reader in(bytes, 0, bytes.size());
  if (in.U32() != kHeaderSize || !(in.Guid() == CLSID_ShellLink)) return false;
  const DWORD flags = in.U32();
  link.fileAttributes = in.U32();
  link.creationTime = in.Time();
  link.accessTime = in.Time();
  link.writeTime = in.Time();
  link.fileSize = in.U32();
  link.iconIndex = static_cast<int>(in.U32());
  link.showCmd = static_cast<int>(in.U32());
  link.hotKey = static_cast<WORD>(in.U16());
  in.Skip(10);
  if (!in.Ok()) return false;
  if (flags & HasLinkTargetIDList) in.Skip(in.U16());
  if (flags & HasLinkInfo) {
    const size_t begin = in.Pos();
    const DWORD size = in.U32();
    if (!in.Ok() || size < kLinkInfoHeaderSize || size > bytes.size() - begin) return false;
    if (!ParseLinkInfo(bytes, begin, size, link.path)) return false;
    in.Skip(size - 4);
  }
  const bool unicode = flags & IsUnicode;
  if (flags & HasName) link.description = in.CountedString(unicode);
  if (flags & HasRelativePath) link.relativePath = in.CountedString(unicode);
  if (flags & HasWorkingDir) link.workingDirectory = in.CountedString(unicode);
  if (flags & HasArguments) link.arguments = in.CountedString(unicode);
  if (flags & HasIconLocation) link.iconLocation = in.CountedString(unicode);
  // Extra data blocks may follow; nothing here uses them.
  return in.Ok();
}

HRESULT LastFileError() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

HRESULT ReadWholeFile(const std::string& name, std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastFileError();
  const DWORD size = GetFileSize(file, nullptr);
  HRESULT result = S_OK;
  if (size == INVALID_FILE_SIZE || size > kMaxLinkFileSize) {
    result = E_FAIL;
  } else {
    bytes.resize(size);
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size))
      result = E_FAIL;
  }
  CloseHandle(file);
  return result;
}

// The link file is made anew beside its place and then takes it, so a link or any other file
// already standing there is replaced, never written through, and a failure leaves what stood
// there as it was.
HRESULT WriteWholeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  static std::atomic<unsigned> counter{0};
  const std::string temporary =
      name + ".~" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastFileError();
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  HRESULT result = !ok ? LastFileError() : written != bytes.size() ? E_FAIL : S_OK;
  if (SUCCEEDED(result) && !FlushFileBuffers(file)) result = LastFileError();
  CloseHandle(file);
  if (SUCCEEDED(result) && !MoveFileExA(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING))
    result = LastFileError();
  if (FAILED(result)) DeleteFileA(temporary.c_str());
  return result;
}

class ShellLinkObject final : public IShellLinkA, public IPersistFile {
 public:
  HRESULT WINAPI QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IShellLinkA) {
      *object = static_cast<IShellLinkA*>(this);
    } else if (riid == IID_IPersist || riid == IID_IPersistFile) {
      *object = static_cast<IPersistFile*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG WINAPI AddRef() override { return ++references_; }
  ULONG WINAPI Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IShellLinkA
  HRESULT WINAPI GetPath(LPSTR pszFile, int cch, WIN32_FIND_DATAA* pfd, DWORD) override {
    if (pfd != nullptr) {
      std::memset(pfd, 0, sizeof *pfd);
      pfd->dwFileAttributes = link_.fileAttributes;
      pfd->ftCreationTime = link_.creationTime;
      pfd->ftLastAccessTime = link_.accessTime;
      pfd->ftLastWriteTime = link_.writeTime;
      pfd->nFileSizeLow = link_.fileSize;
      const std::string name = link_.path.substr(link_.path.find_last_of('/') + 1);
      CopyOut(name, pfd->cFileName, MAX_PATH);
    }
    // Shorter and network forms of a path do not exist here: every flag gives the path.
    const HRESULT result = CopyOut(link_.path, pszFile, cch);
    return FAILED(result) ? result : link_.path.empty() ? S_FALSE : S_OK;
  }
  HRESULT WINAPI GetIDList(LPITEMIDLIST* ppidl) override {
    if (ppidl != nullptr) *ppidl = nullptr;
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetIDList(LPCITEMIDLIST) override { return E_NOTIMPL; }
  HRESULT WINAPI GetDescription(LPSTR pszName, int cch) override {
    return CopyOut(link_.description, pszName, cch);
  }
  HRESULT WINAPI SetDescription(LPCSTR pszName) override {
    return SetText(link_.description, pszName);
  }
  HRESULT WINAPI GetWorkingDirectory(LPSTR pszDir, int cch) override {
    return CopyOut(link_.workingDirectory, pszDir, cch);
  }
  HRESULT WINAPI SetWorkingDirectory(LPCSTR pszDir) override {
    return SetText(link_.workingDirectory, pszDir);
  }
  HRESULT WINAPI GetArguments(LPSTR pszArgs, int cch) override {
    return CopyOut(link_.arguments, pszArgs, cch);
  }
  HRESULT WINAPI SetArguments(LPCSTR pszArgs) override { return SetText(link_.arguments, pszArgs); }
  HRESULT WINAPI GetHotkey(WORD* pwHotkey) override {
    if (pwHotkey == nullptr) return E_POINTER;
    *pwHotkey = link_.hotKey;
    return S_OK;
  }
  HRESULT WINAPI SetHotkey(WORD wHotkey) override {
    link_.hotKey = wHotkey;
    dirty_ = true;
    return S_OK;
  }
  HRESULT WINAPI GetShowCmd(int* piShowCmd) override {
    if (piShowCmd == nullptr) return E_POINTER;
    *piShowCmd = link_.showCmd;
    return S_OK;
  }
  HRESULT WINAPI SetShowCmd(int iShowCmd) override {
    link_.showCmd = iShowCmd;
    dirty_ = true;
    return S_OK;
  }
  HRESULT WINAPI GetIconLocation(LPSTR pszIconPath, int cch, int* piIcon) override {
    if (piIcon == nullptr) return E_POINTER;
    *piIcon = link_.iconIndex;
    return CopyOut(link_.iconLocation, pszIconPath, cch);
  }
  HRESULT WINAPI SetIconLocation(LPCSTR pszIconPath, int iIcon) override {
    link_.iconIndex = iIcon;
    return SetText(link_.iconLocation, pszIconPath);
  }
  HRESULT WINAPI SetRelativePath(LPCSTR pszPathRel, DWORD) override {
    return SetText(link_.relativePath, pszPathRel);
  }
  HRESULT WINAPI Resolve(HWND, DWORD) override {
    if (link_.path.empty()) return S_OK;
    struct stat status;
    return stat(link_.path.c_str(), &status) == 0 ? S_OK : S_FALSE;
  }
  HRESULT WINAPI SetPath(LPCSTR pszFile) override {
    if (pszFile == nullptr) return E_INVALIDARG;
    link_.path = pszFile;
    link_.fileAttributes = 0;
    link_.creationTime = link_.accessTime = link_.writeTime = FILETIME{};
    link_.fileSize = 0;
    struct stat status;
    if (!link_.path.empty() && stat(link_.path.c_str(), &status) == 0) {
      link_.fileAttributes =
          S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
      // POSIX keeps no creation time; the last status change stands in for it.
      link_.creationTime = ToFileTime(status.st_ctim);
      link_.accessTime = ToFileTime(status.st_atim);
      link_.writeTime = ToFileTime(status.st_mtim);
      link_.fileSize = static_cast<DWORD>(status.st_size);
    }
    dirty_ = true;
    return S_OK;
  }

  // IPersist, IPersistFile
  HRESULT WINAPI GetClassID(CLSID* pClassID) override {
    if (pClassID == nullptr) return E_POINTER;
    *pClassID = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT WINAPI IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  HRESULT WINAPI Load(LPCOLESTR pszFileName, DWORD) override {
    if (pszFileName == nullptr) return E_INVALIDARG;
    const std::string name = WideFileName(pszFileName);
    std::vector<uint8_t> bytes;
    if (HRESULT result = ReadWholeFile(name, bytes); FAILED(result)) return result;
    LinkData link;
    if (!Parse(bytes, link)) return E_FAIL;
    link_ = std::move(link);
    currentFile_ = name;
    dirty_ = false;
    return S_OK;
  }
  HRESULT WINAPI Save(LPCOLESTR pszFileName, BOOL fRemember) override {
    if (pszFileName == nullptr && currentFile_.empty()) return E_INVALIDARG;
    const std::string name = pszFileName != nullptr ? WideFileName(pszFileName) : currentFile_;
    if (HRESULT result = WriteWholeFile(name, Serialize(link_)); FAILED(result)) return result;
    if (pszFileName == nullptr || fRemember) {
      currentFile_ = name;
      dirty_ = false;
    }
    return S_OK;
  }
  HRESULT WINAPI SaveCompleted(LPCOLESTR) override { return S_OK; }
  HRESULT WINAPI GetCurFile(LPOLESTR* ppszFileName) override {
    if (ppszFileName != nullptr) *ppszFileName = nullptr;
    return E_NOTIMPL;
  }

 private:
  HRESULT SetText(std::string& field, LPCSTR text) {
    if (text == nullptr) return E_INVALIDARG;
    field = text;
    dirty_ = true;
    return S_OK;
  }

  std::atomic<ULONG> references_{0};
  LinkData link_;
  std::string currentFile_;
  bool dirty_ = false;
};

HRESULT CreateShellLink(REFIID riid, void** object) {
  auto* link = new ShellLinkObject;
  link->AddRef();
  const HRESULT result = link->QueryInterface(riid, object);
  link->Release();
  return result;
}

// Enters the class into CoCreateInstance's table when the program starts.
const bool registered = [] {
  RegisterComClass(CLSID_ShellLink, CreateShellLink);
  return true;
}();

}  // namespace
