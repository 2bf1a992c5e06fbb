#include "platform/win32/Profile.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/AtomicFile.h"
#include "platform/win32/Machine.h"
#include "platform/win32/AsciiCase.h"

namespace {

struct ProfileText {
  std::vector<std::string> lines;
  std::string lineEnd = "\r\n";
};

std::string ProfilePath(LPCSTR fileName) {
  std::string name = fileName;
  if (name.find('/') != std::string::npos) return name;
  char windows[4096];
  UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) return name;
  return std::string(windows, length) + "/" + name;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

ProfileText SplitLines(const std::string& contents) {
  ProfileText text;
  size_t firstEnd = contents.find('\n');
  if (firstEnd != std::string::npos && (firstEnd == 0 || contents[firstEnd - 1] != '\r'))
    text.lineEnd = "\n";
  size_t start = 0;
  while (start < contents.size()) {
    size_t end = contents.find('\n', start);
    if (end == std::string::npos) end = contents.size();
    std::string line = contents.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    text.lines.push_back(std::move(line));
    start = end + 1;
  }
  return text;
}

bool IsSection(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  line.remove_prefix(1);
  size_t close = line.find(']');
  name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
  return true;
}

bool IsKey(std::string_view line, std::string_view& key, std::string_view& value) {
  std::string_view section;
  if (IsSection(line, section)) return false;
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  key = Trim(line.substr(0, equals));
  value = Trim(line.substr(equals + 1));
  return true;
}

// The lines [begin, end) of the first section of that name, header included; begin is the
// line count when there is none.
void FindSection(const ProfileText& text, std::string_view section, size_t& begin, size_t& end) {
  begin = end = text.lines.size();
  std::string_view name;
  for (size_t i = 0; i < text.lines.size(); ++i) {
    if (!IsSection(text.lines[i], name)) continue;
    if (begin != text.lines.size()) {
      end = i;
      return;
    }
    if (win32::EqualsIgnoringAsciiCase(name, section)) begin = i;
  }
}

size_t FindKey(const ProfileText& text, size_t begin, size_t end, std::string_view wanted) {
  std::string_view key, value;
  for (size_t i = begin + 1; i < end; ++i)
    if (IsKey(text.lines[i], key, value) && win32::EqualsIgnoringAsciiCase(key, wanted)) return i;
  return end;
}

size_t CopyOut(std::string_view text, LPSTR buffer, DWORD size) {
  size_t length = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length;
}

bool BreaksLines(LPCSTR text, const char* alsoForbidden) {
  return text != nullptr &&
         (std::strpbrk(text, "\r\n") != nullptr || std::strpbrk(text, alsoForbidden) != nullptr);
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                                      DWORD size, LPCSTR fileName) {
  if (buffer == nullptr || size == 0) return 0;
  if (section == nullptr || key == nullptr || fileName == nullptr) {
    buffer[0] = '\0';
    if (size > 1) buffer[1] = '\0';
    return 0;
  }
  std::string contents;
  DWORD error = ERROR_SUCCESS;
  if (win32::ReadWholeFile(ProfilePath(fileName), contents, error)) {
    ProfileText text = SplitLines(contents);
    size_t begin, end;
    FindSection(text, section, begin, end);
    if (begin < text.lines.size()) {
      size_t line = FindKey(text, begin, end, key);
      std::string_view name, value;
      if (line < end && IsKey(text.lines[line], name, value)) {
        if (value.size() >= 2 && value.front() == value.back() &&
            (value.front() == '"' || value.front() == '\'')) {
          value = value.substr(1, value.size() - 2);
        }
        return static_cast<DWORD>(CopyOut(value, buffer, size));
      }
    }
  }
  std::string_view fallback = defaultValue != nullptr ? defaultValue : "";
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return static_cast<DWORD>(CopyOut(fallback, buffer, size));
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
  if (fileName == nullptr) return FALSE;
  // All three null asks to flush a cache; writes never wait in one here.
  if (section == nullptr) return key == nullptr && value == nullptr ? TRUE : FALSE;
  if (BreaksLines(section, "]") || BreaksLines(key, "=") || BreaksLines(value, "")) return FALSE;

  const std::string path = ProfilePath(fileName);
  win32::FolderLock lock(path);
  std::string contents;
  DWORD error = ERROR_SUCCESS;
  if (!win32::ReadWholeFile(path, contents, error) && error != ERROR_FILE_NOT_FOUND) return FALSE;
  ProfileText text = SplitLines(contents);
  size_t begin, end;
  FindSection(text, section, begin, end);
  const bool sectionFound = begin < text.lines.size();

  if (key == nullptr) {
    if (!sectionFound) return TRUE;
    text.lines.erase(text.lines.begin() + static_cast<ptrdiff_t>(begin),
                     text.lines.begin() + static_cast<ptrdiff_t>(end));
  } else if (value == nullptr) {
    if (!sectionFound) return TRUE;
    size_t line = FindKey(text, begin, end, key);
    if (line == end) return TRUE;
    text.lines.erase(text.lines.begin() + static_cast<ptrdiff_t>(line));
  } else if (!sectionFound) {
    if (!text.lines.empty() && !Trim(text.lines.back()).empty()) text.lines.emplace_back();
    text.lines.push_back("[" + std::string(section) + "]");
    text.lines.push_back(std::string(key) + "=" + value);
  } else {
    size_t line = FindKey(text, begin, end, key);
    if (line < end) {
      std::string_view name, old;
      IsKey(text.lines[line], name, old);
      text.lines[line] = std::string(name) + "=" + value;
    } else {
      size_t after = end;
      while (after > begin + 1 && Trim(text.lines[after - 1]).empty()) --after;
      text.lines.insert(text.lines.begin() + static_cast<ptrdiff_t>(after),
                        std::string(key) + "=" + value);
    }
  }

  std::string out;
  for (const std::string& line : text.lines) out += line + text.lineEnd;
  return win32::ReplaceFileContents(path, out) == ERROR_SUCCESS ? TRUE : FALSE;
}
