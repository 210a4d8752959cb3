#include "support/FileFinder.h"

#include <string>
#include <utility>

#include "support/text/PathMatch.h"

namespace {

using corvane::JoinPath;
using corvane::LowerAscii;
using corvane::MatchPatternList;

// Identity of a folder on its volume; found == false when it cannot be read.
struct FolderId {
  bool found = false;
  std::pair<DWORD, std::uint64_t> id;
};

FolderId IdentifyFolder(const std::string& path) {
  FolderId result;
  HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return result;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(handle, &info)) {
    result.found = true;
    result.id = std::make_pair(info.dwVolumeSerialNumber,
                               (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                                   info.nFileIndexLow);
  }
  CloseHandle(handle);
  return result;
}

// One folder being listed.  `pending` is the subfolder entry whose content is
// being searched; it is handled (reported or passed over) once that ends.
// The frame owns its listing handle: a search cut short by an exception
// closes every listing it had open.
struct Frame {
  explicit Frame(const std::string& folder) : folder(folder) {}
  Frame(Frame&& other) noexcept
      : folder(std::move(other.folder)),
        handle(other.handle),
        started(other.started),
        has_pending(other.has_pending),
        pending(other.pending),
        identified(other.identified),
        id(other.id) {
    other.handle = INVALID_HANDLE_VALUE;
  }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;
  Frame& operator=(Frame&&) = delete;
  ~Frame() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
  std::string folder;
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool started = false;
  bool has_pending = false;
  WIN32_FIND_DATAA pending;
  // The folder's identity, asked for once a link is met below it.
  bool identified = false;
  FolderId id;
};

// True when the folder a link at `path` leads to is one of the folders being
// listed (the start folder down to the link's own folder): entering it
// would loop.  Only a link (a reparse point) can lead back up, and asking a
// folder's identity costs an open of the folder, so identities are asked for
// only here, each folder's once.  A folder that cannot be identified is no
// ancestor.
bool LeadsToAnAncestor(const std::string& path, std::vector<Frame>& stack) {
  const FolderId target = IdentifyFolder(path);
  if (!target.found) return false;
  for (Frame& frame : stack) {
    if (!frame.identified) {
      frame.identified = true;
      frame.id = IdentifyFolder(frame.folder);
    }
    if (frame.id.found && frame.id.id == target.id) return true;
  }
  return false;
}

bool NextEntry(Frame& frame, WIN32_FIND_DATAA& entry) {
  if (!frame.started) {
    frame.started = true;
    frame.handle = FindFirstFileA(JoinPath(frame.folder, "*").c_str(), &entry);
    return frame.handle != INVALID_HANDLE_VALUE;
  }
  if (frame.handle == INVALID_HANDLE_VALUE) return false;
  return FindNextFileA(frame.handle, &entry) != FALSE;
}

void CloseFrame(Frame& frame) {
  if (frame.handle != INVALID_HANDLE_VALUE) FindClose(frame.handle);
  frame.handle = INVALID_HANDLE_VALUE;
}

bool IsDots(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

void FileFinder::Stop() {
  ScopedLock lock(*this);
  stop_ = true;
}

bool FileFinder::IsStopped() {
  { ScopedLock lock(*this); }
  return stop_;
}

void FileFinder::Run() {
  results_.clear();
  total_size_ = 0;
  const std::string pattern = ignore_case_ ? LowerAscii(name_pattern_) : name_pattern_;

  std::vector<Frame> stack;
  stack.emplace_back(start_folder_);
  auto add_result = [this](const WIN32_FIND_DATAA& entry, const std::string& folder) {
    results_.emplace_back(entry, folder);
    total_size_ += (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  };

  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.has_pending) {
      frame.has_pending = false;
      if (report_folders_) add_result(frame.pending, frame.folder);
    }
    WIN32_FIND_DATAA entry;
    if (!NextEntry(frame, entry)) {
      CloseFrame(frame);
      stack.pop_back();
      continue;
    }
    if (IsDots(entry.cFileName)) continue;
    if (IsStopped()) {
      CloseFrame(frame);
      stack.pop_back();
      continue;
    }
    const std::string name = entry.cFileName;
    const bool is_folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (is_folder) {
      if (MatchPatternList(name, excluded_folders_)) continue;
    } else {
      const std::string compared = ignore_case_ ? LowerAscii(name) : name;
      if (!MatchPatternList(compared, pattern)) continue;
      if (MatchPatternList(name, excluded_files_)) continue;
    }
    if (is_folder && recurse_) {
      const std::string sub = JoinPath(frame.folder, name);
      const bool is_link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (!is_link || !LeadsToAnAncestor(sub, stack)) {
        frame.pending = entry;
        frame.has_pending = true;
        stack.emplace_back(sub);  // `frame` is not used after this
        continue;
      }
    }
    if (is_folder && !report_folders_) continue;
    add_result(entry, frame.folder);
  }
}

void FindFiles(const std::string& folder, const std::string& patterns,
               std::vector<std::string>& paths, bool recurse) {
  FileFinder finder;
  finder.SetStartFolder(folder);
  finder.SetNamePattern(patterns);
  finder.SetIgnoreCase(true);
  finder.SetRecurse(recurse);
  finder.SetReportFolders(false);
  finder.Run();
  for (const FoundFile& found : finder.Results())
    paths.push_back(JoinPath(found.folder, found.entry.cFileName));
}

std::string SamePathKey(const std::string& path) {
  std::string full(MAX_PATH, '\0');
  const DWORD size = GetFullPathNameA(path.c_str(), MAX_PATH, &full[0], nullptr);
  full = size > 0 && size < MAX_PATH ? full.substr(0, size) : path;
  while (full.size() > 3 && (full.back() == '\\' || full.back() == '/')) full.pop_back();
  return LowerAscii(full);
}
