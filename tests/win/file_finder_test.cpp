// The folder-tree search on real folder trees under Wine: what is found, in
// which order, what is skipped, link loops, deep trees and the stop flag.
//
// The order of a folder's entries is the file system's: Wine 8 sorts them by
// their case-folded names ("_x" after "zz"), other systems use the order of
// the disk.  Every expected order below is therefore built from a bare
// FindFirstFileA/FindNextFileA listing of the same folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "support/FileFinder.h"

using namespace wintest;

namespace {

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

std::vector<std::string> Find(const std::string& folder, const std::string& patterns) {
  std::vector<std::string> paths;
  FindFiles(folder, patterns, paths);
  return paths;
}

// Full paths of a FileFinder's results.
std::vector<std::string> Paths(const FileFinder& finder) {
  std::vector<std::string> paths;
  for (const FoundFile& found : finder.Results())
    paths.push_back(found.folder + "\\" + found.entry.cFileName);
  return paths;
}


bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
bool Gone(const std::string& path) { return !Exists(path); }

// Writes files of the given sizes (contents of "x").
void WriteSized(const std::string& path, std::size_t size) {
  ASSERT_TRUE(WriteFileBytes(path, std::string(size, 'x'))) << path;
}

TEST(FindFiles, FindsTheNameInAnyCaseTwoLevelsDown) {
  TempFolder root("finder-case");
  WriteSized(root.Join("one\\two\\EUDORA.INI"), 1);
  WriteSized(root.Join("one\\Eudora.bak"), 1);
  WriteSized(root.Join("one\\two\\Eudora.ini.old"), 1);
  EXPECT_EQ(Find(root.path(), "Eudora.ini"),
            std::vector<std::string>{root.Join("one\\two\\EUDORA.INI")});
}

TEST(FindFiles, AFolderWithTheNameIsEnteredButNotReported) {
  TempFolder root("finder-folder-name");
  ASSERT_TRUE(MakeFolder(root.Join("Eudora.ini")));
  WriteSized(root.Join("Eudora.ini\\Deeper\\eudora.INI"), 1);
  EXPECT_EQ(Find(root.path(), "Eudora.ini"),
            std::vector<std::string>{root.Join("Eudora.ini\\Deeper\\eudora.INI")});
}

TEST(FindFiles, AppendsToTheListWithoutEmptyingIt) {
  TempFolder root("finder-append");
  WriteSized(root.Join("contacts.adr"), 1);
  std::vector<std::string> paths{"kept"};
  FindFiles(root.path(), "contacts.adr", paths);
  EXPECT_EQ(paths, (std::vector<std::string>{"kept", root.Join("contacts.adr")}));
}

TEST(FindFiles, AStartFolderThatDoesNotExistGivesNothing) {
  TempFolder root("finder-missing");
  EXPECT_TRUE(Find(root.Join("absent"), "*").empty());
  EXPECT_TRUE(Find("Q:\\no\\such\\drive", "*").empty());

  FileFinder finder;
  finder.SetStartFolder(root.Join("absent"));
  finder.SetNamePattern("*");
  finder.SetRecurse(true);
  finder.Run();
  EXPECT_TRUE(finder.Results().empty());
  EXPECT_EQ(finder.TotalSize(), 0u);
}

// A drive's root lists no "." and "..": its very first entry is a file here,
// and is found like any other.  The drive is a new letter of Wine's
// (a link in the prefix's dosdevices folder) on a temporary folder.
TEST(FindFiles, TheFirstEntryOfADriveRootIsFound) {
  TempFolder root("finder-drive");
  for (const char* name : {"a.ini", "b.ini", "c.ini"}) WriteSized(root.Join(name), 1);
  std::string dosdevices = UnixPath("C:\\");
  ASSERT_FALSE(dosdevices.empty());
  dosdevices = dosdevices.substr(0, dosdevices.find_last_not_of('/') + 1);  // .../dosdevices/c:
  dosdevices = dosdevices.substr(0, dosdevices.rfind('/'));
  ASSERT_FALSE(Exists("Y:\\")) << "drive Y: is in use";
  HostLink drive(root.path(), dosdevices + "/y:", "Y:\\");
  ASSERT_TRUE(drive.made());

  const std::vector<std::string> listing = FolderListing("Y:");
  ASSERT_FALSE(listing.empty());
  ASSERT_NE(listing.front(), ".");
  EXPECT_EQ(Find("Y:", listing.front()), std::vector<std::string>{"Y:\\" + listing.front()});
  EXPECT_EQ(Find("Y:\\", "*.ini").size(), 3u);
}

// A folder with files before and after a subfolder (in listing order): the
// subfolder's content comes exactly where the subfolder was met.
TEST(FileFinder, SubfolderContentIsInsertedWhereTheSubfolderWasMet) {
  TempFolder root("finder-order");
  for (const char* name : {"x.ini", "y.ini", "z.ini"}) WriteSized(root.Join(std::string("sub\\") + name), 1);
  for (const char* name : {"a.ini", "m.ini", "s.ini", "t.ini", "z.ini"}) WriteSized(root.Join(name), 1);
  const std::vector<std::string> top = FolderListing(root.path());
  ASSERT_EQ(top.size(), 6u);
  ASSERT_NE(top.front(), "sub");  // files both before and after the subfolder
  ASSERT_NE(top.back(), "sub");
  const std::vector<std::string> sub = FolderListing(root.Join("sub"));
  ASSERT_EQ(sub.size(), 3u);

  std::vector<std::string> expected;
  std::vector<std::string> expected_with_folders;
  for (const std::string& name : top) {
    if (name == "sub") {
      for (const std::string& inner : sub) expected.push_back(root.Join("sub\\" + inner));
      expected_with_folders = expected;
      expected_with_folders.push_back(root.Join("sub"));  // after its content
    } else {
      expected.push_back(root.Join(name));
      expected_with_folders.push_back(root.Join(name));
    }
  }
  EXPECT_EQ(Find(root.path(), "*.ini"), expected);

  FileFinder finder;
  finder.SetStartFolder(root.path());
  finder.SetNamePattern("*.ini");
  finder.SetRecurse(true);
  finder.SetReportFolders(true);
  finder.Run();
  EXPECT_EQ(Paths(finder), expected_with_folders);
  // A reported folder is recorded in the folder where it was found.
  for (const FoundFile& found : finder.Results())
    if (std::string(found.entry.cFileName) == "sub") {
      EXPECT_EQ(found.folder, root.path());
      EXPECT_TRUE(found.entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    }
}

TEST(FileFinder, EachRunStartsFromEmptyResults) {
  TempFolder root("finder-rerun");
  WriteSized(root.Join("a\\one.ini"), 10);
  WriteSized(root.Join("two.ini"), 20);
  FileFinder finder;
  finder.SetStartFolder(root.path());
  finder.SetNamePattern("*.ini");
  finder.SetRecurse(true);
  finder.Run();
  const std::vector<std::string> first = Paths(finder);
  finder.Run();
  EXPECT_EQ(Paths(finder), first);
  EXPECT_EQ(first.size(), 2u);
  EXPECT_EQ(finder.TotalSize(), 30u);
}

struct OptionRow {
  const char* what;
  bool recurse;
  bool report_folders;
  bool ignore_case;
  const char* pattern;
  const char* excluded_files;
  const char* excluded_folders;
  std::vector<std::string> expected;  // relative paths, sorted
  unsigned long long total;
};

// Tree: top.ini (1 byte), TOP.TXT (2), skip.ini (4), SKIP.INI.x (8),
//       cache\in-cache.ini (16), Cachex\in-Cache.ini (32), sub\deep\leaf.ini (64)
// (Wine's folders ignore case, so names differing only in case cannot both
// exist; the exact-case rows use names that differ in more than case.)
TEST(FileFinder, OptionsTable) {
  TempFolder root("finder-options");
  WriteSized(root.Join("top.ini"), 1);
  WriteSized(root.Join("TOP.TXT"), 2);
  WriteSized(root.Join("skip.ini"), 4);
  WriteSized(root.Join("SKIP.INI.x"), 8);
  WriteSized(root.Join("cache\\in-cache.ini"), 16);
  WriteSized(root.Join("Cachex\\in-Cache.ini"), 32);
  WriteSized(root.Join("sub\\deep\\leaf.ini"), 64);

  const OptionRow rows[] = {
      {"defaults: no recursion, exact pattern", false, false, true, "*.ini", "", "", {"skip.ini", "top.ini"}, 5},
      {"recursion", true, false, true, "*.ini", "", "",
       {"Cachex\\in-Cache.ini", "cache\\in-cache.ini", "skip.ini", "sub\\deep\\leaf.ini", "top.ini"}, 117},
      {"ignore case lowers name and pattern", false, false, true, "TOP.*", "", "", {"TOP.TXT", "top.ini"}, 3},
      {"exact case", false, false, false, "TOP.*", "", "", {"TOP.TXT"}, 2},
      {"excluded files, exact case", false, false, true, "*", "skip.*", "", {"SKIP.INI.x", "TOP.TXT", "top.ini"}, 11},
      {"excluded files, list", false, false, true, "*", "skip.*;*.TXT", "", {"SKIP.INI.x", "top.ini"}, 9},
      {"excluded folders are not entered", true, false, true, "*.ini", "", "cache;sub",
       {"Cachex\\in-Cache.ini", "skip.ini", "top.ini"}, 37},
      {"excluded folders are not reported", true, true, true, "*.ini", "", "cache;deep",
       {"Cachex", "Cachex\\in-Cache.ini", "skip.ini", "sub", "top.ini"}, 37},
      {"folders reported without recursion", false, true, true, "none", "", "",
       {"Cachex", "cache", "sub"}, 0},
      {"folders count whatever their names", true, true, true, "leaf.ini", "", "",
       {"Cachex", "cache", "sub", "sub\\deep", "sub\\deep\\leaf.ini"}, 64},
      {"empty pattern finds no file", true, false, true, "", "", "", {}, 0},
  };
  for (const OptionRow& row : rows) {
    FileFinder finder;
    finder.SetStartFolder(root.path());
    finder.SetRecurse(row.recurse);
    finder.SetReportFolders(row.report_folders);
    finder.SetIgnoreCase(row.ignore_case);
    finder.SetNamePattern(row.pattern);
    finder.SetExcludedFiles(row.excluded_files);
    finder.SetExcludedFolders(row.excluded_folders);
    finder.Run();
    std::vector<std::string> relative;
    for (const std::string& path : Paths(finder)) relative.push_back(path.substr(root.path().size() + 1));
    std::sort(relative.begin(), relative.end());
    EXPECT_EQ(relative, row.expected) << row.what;
    EXPECT_EQ(finder.TotalSize(), row.total) << row.what;
  }
}

TEST(FileFinder, TotalSizeCountsTheHighWord) {
  TempFolder root("finder-large");
  const std::string path = root.Join("large.bin");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = 0x100000003LL;  // sparse on the host: 4 GiB and 3 bytes
  ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(file));
  CloseHandle(file);
  WriteSized(root.Join("small.bin"), 5);

  FileFinder finder;
  finder.SetStartFolder(root.path());
  finder.SetNamePattern("*.bin");
  finder.Run();
  EXPECT_EQ(finder.Results().size(), 2u);
  EXPECT_EQ(finder.TotalSize(), 0x100000008ULL);
}

// root\a\b\back -> root: the search ends and lists each real folder once.
TEST(FileFinder, ALinkBackToAnAncestorEnds) {
  TempFolder root("finder-loop");
  WriteSized(root.Join("r.ini"), 1);
  WriteSized(root.Join("a\\a.ini"), 1);
  WriteSized(root.Join("a\\b\\b.ini"), 1);
  HostLink link(root.path(), root.Join("a\\b\\back"));
  ASSERT_TRUE(link.made());
  ASSERT_TRUE(Exists(root.Join("a\\b\\back\\r.ini")));  // the loop is real

  std::vector<std::string> found = Find(root.path(), "*.ini");
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{root.Join("a\\a.ini"), root.Join("a\\b\\b.ini"),
                                             root.Join("r.ini")}));

  // With folders reported, the link shows once as a folder, not entered.
  FileFinder finder;
  finder.SetStartFolder(root.path());
  finder.SetNamePattern("none");
  finder.SetRecurse(true);
  finder.SetReportFolders(true);
  finder.Run();
  std::vector<std::string> folders = Paths(finder);
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, (std::vector<std::string>{root.Join("a"), root.Join("a\\b"),
                                               root.Join("a\\b\\back")}));
}

// Two ways into one real folder (a plain path and a link beside it, listed
// before it or after it): its files are found under both.
TEST(FileFinder, ALinkToASiblingIsSearchedToo) {
  for (const char* link_name : {"alias", "zlink"}) {
    SCOPED_TRACE(link_name);
    TempFolder root("finder-alias");
    WriteSized(root.Join("data\\f.ini"), 1);
    HostLink link(root.Join("data"), root.Join(link_name));
    ASSERT_TRUE(link.made());
    std::vector<std::string> found = Find(root.path(), "*.ini");
    std::vector<std::string> both = {root.Join("data\\f.ini"), root.Join(link_name) + "\\f.ini"};
    std::sort(found.begin(), found.end());
    std::sort(both.begin(), both.end());
    EXPECT_EQ(found, both);
  }
}

// A tree 300 levels deep, made on the host.  Single-byte paths end at
// MAX_PATH, so folders past that cannot be listed and contribute nothing;
// the search runs on a thread with a 64 KB stack and must still end.
struct DeepSearch {
  std::string start;
  std::vector<std::string> found;
};

DWORD WINAPI SearchDeep(void* argument) {
  DeepSearch* search = static_cast<DeepSearch*>(argument);
  FindFiles(search->start, "x.ini", search->found);
  return 0;
}

TEST(FileFinder, ADeepTreeDoesNotExhaustTheStack) {
  TempFolder root("finder-deep");
  std::string relative;
  for (int level = 0; level < 300; ++level) relative += "/d";
  const std::string unix_root = UnixPath(root.path());
  ASSERT_FALSE(unix_root.empty());
  // The bottom folder is past MAX_PATH: watch for a file at level 100.
  std::string level100 = root.path();
  for (int level = 0; level < 100; ++level) level100 += "\\d";
  ASSERT_TRUE(RunOnHost("Z:\\bin\\mkdir -p " + unix_root + relative, Exists, level100));
  WriteSized(level100 + "\\x.ini", 1);
  std::string level10 = root.path();
  for (int level = 0; level < 10; ++level) level10 += "\\d";
  WriteSized(level10 + "\\x.ini", 1);

  DeepSearch search{root.path(), {}};
  HANDLE thread = CreateThread(nullptr, 64 * 1024, SearchDeep, &search,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  EXPECT_EQ(code, 0u);
  std::sort(search.found.begin(), search.found.end());  // "d" and x.ini: listing order
  std::vector<std::string> expected{level10 + "\\x.ini", level100 + "\\x.ini"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(search.found, expected);

  // Remove the part that single-byte calls cannot reach.
  ASSERT_TRUE(RunOnHost("Z:\\bin\\rm -rf " + unix_root + "/d", Gone, root.Join("d")));
}

// A finder that, once its search has found `hold_when` results, holds the
// search at its next pass through the lock (the one before the next entry)
// until the test thread has called Stop().
class HeldFinder : public FileFinder {
 public:
  explicit HeldFinder(std::size_t hold_when) : hold_when_(hold_when) {
    reached_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    resume_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~HeldFinder() override {
    CloseHandle(reached_);
    CloseHandle(resume_);
  }
  void Lock() override {
    if (GetCurrentThreadId() == search_thread_ && !held_ && Results().size() == hold_when_) {
      held_ = true;
      SetEvent(reached_);
      WaitForSingleObject(resume_, 60000);
    }
    FileFinder::Lock();
  }
  static DWORD WINAPI RunSearch(void* argument) {
    HeldFinder* finder = static_cast<HeldFinder*>(argument);
    finder->search_thread_ = GetCurrentThreadId();
    finder->Run();
    return 0;
  }
  HANDLE reached_;
  HANDLE resume_;

 private:
  std::size_t hold_when_;
  bool held_ = false;
  DWORD search_thread_ = 0;
};

// root holds five files and "sub" with ten; the search is stopped while it
// is in "sub", just before the fourth entry there.
TEST(FileFinder, StopFromAnotherThreadEndsTheSearchAtTheNextEntry) {
  TempFolder root("finder-stop");
  for (int i = 0; i < 5; ++i) WriteSized(root.Join("r" + std::to_string(i) + ".txt"), 1);
  for (int i = 0; i < 10; ++i) WriteSized(root.Join("sub\\s" + std::to_string(i) + ".txt"), 1);
  const std::vector<std::string> top = FolderListing(root.path());
  const std::vector<std::string> sub = FolderListing(root.Join("sub"));
  const std::size_t sub_at = std::find(top.begin(), top.end(), "sub") - top.begin();
  ASSERT_LT(sub_at, top.size());

  std::vector<std::string> expected;
  for (std::size_t i = 0; i < sub_at; ++i) expected.push_back(root.Join(top[i]));
  for (std::size_t i = 0; i < 3; ++i) expected.push_back(root.Join("sub\\" + sub[i]));

  HeldFinder finder(expected.size());
  finder.SetStartFolder(root.path());
  finder.SetNamePattern("*");
  finder.SetRecurse(true);
  HANDLE thread = CreateThread(nullptr, 0, HeldFinder::RunSearch, &finder, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(finder.reached_, 30000), WAIT_OBJECT_0);
  finder.Stop();
  SetEvent(finder.resume_);
  ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
  CloseHandle(thread);
  // Nothing after the stop: neither the rest of "sub" nor the rest of root.
  EXPECT_EQ(Paths(finder), expected);
}

TEST(FileFinder, WithoutStopTheSameSearchRunsToItsEnd) {
  TempFolder root("finder-nostop");
  for (int i = 0; i < 5; ++i) WriteSized(root.Join("r" + std::to_string(i) + ".txt"), 1);
  for (int i = 0; i < 10; ++i) WriteSized(root.Join("sub\\s" + std::to_string(i) + ".txt"), 1);
  EXPECT_EQ(Find(root.path(), "*").size(), 15u);
}

}  // namespace
