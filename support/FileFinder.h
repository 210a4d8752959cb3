// FileFinder: depth-first search of a folder tree for file names.
//
// Contract: Run() empties the results and lists the start folder; entries
// come in the file system's order, and the whole content of an accepted
// subfolder is inserted where the subfolder was met.  Files are accepted when
// their name matches the name pattern list (both lowered when ignore-case is
// on) and not the excluded-files list; folders are entered (with recurse on)
// unless they match the excluded-folders list.  A folder that cannot be
// listed contributes nothing; nothing is raised or logged.
//
// Beyond that: a link to a folder that is being listed already, higher up the
// current path (same volume and file index), is not entered, so a tree that
// loops ends; every other folder, a link to a sibling included, is searched
// each time it is met.  The
// search keeps its own stack, so deep trees do not exhaust the thread's.
// Between entries the search passes through its lock and ends when Stop()
// has been called from another thread.
#ifndef CORVANE_SUPPORT_FILEFINDER_H
#define CORVANE_SUPPORT_FILEFINDER_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/Locks.h"

class FoundFile {
 public:
  FoundFile(const WIN32_FIND_DATAA& entry, const std::string& folder)
      : entry(entry), folder(folder) {}
  virtual ~FoundFile() {}

  WIN32_FIND_DATAA entry;
  std::string folder;
};

class FileFinder : public CriticalSection {
 public:
  FileFinder() {}
  ~FileFinder() override {}

  void SetRecurse(bool on) { recurse_ = on; }
  void SetReportFolders(bool on) { report_folders_ = on; }
  void SetIgnoreCase(bool on) { ignore_case_ = on; }
  void SetStartFolder(const std::string& folder) { start_folder_ = folder; }
  void SetNamePattern(const std::string& patterns) { name_pattern_ = patterns; }
  void SetExcludedFiles(const std::string& patterns) { excluded_files_ = patterns; }
  void SetExcludedFolders(const std::string& patterns) { excluded_folders_ = patterns; }
  // Asks a running search (on another thread) to end at its next entry.
  void Stop();

  void Run();

  const std::vector<FoundFile>& Results() const { return results_; }
  std::uint64_t TotalSize() const { return total_size_; }

 private:
  bool IsStopped();

  std::vector<FoundFile> results_;
  std::uint64_t total_size_ = 0;
  bool recurse_ = false;
  bool report_folders_ = false;
  bool stop_ = false;
  bool ignore_case_ = true;
  std::string start_folder_;
  std::string name_pattern_;
  std::string excluded_files_;
  std::string excluded_folders_;
};

// The full paths of every file below `folder` (or, without `recurse`, only
// directly in it) whose name matches `patterns` (case ignored, no folders),
// appended to `paths` in search order.
void FindFiles(const std::string& folder, const std::string& patterns,
               std::vector<std::string>& paths, bool recurse = true);

// The form in which two names of one file or folder compare equal: its full
// path ("." and ".." resolved, "/" taken as "\"), in lower case, without a
// trailing separator.
std::string SamePathKey(const std::string& path);

#endif  // CORVANE_SUPPORT_FILEFINDER_H
