// ReplaceWholeFile under faults: every failed write leaves the target's old
// bytes and nothing else behind, and a writer killed at any moment leaves the
// target holding either its old bytes or its new ones, whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "support/FileText.h"

using namespace wintest;

namespace {

// Names in a folder, sorted, without "." and "..".
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names = FolderListing(folder);
  std::sort(names.begin(), names.end());
  return names;
}

std::string Read(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
  return bytes;
}

const char kOld[] = "user_pref(\"mail.server.server1.hostname\", \"pop.example.com\");\r\n";
const char kNew[] = "user_pref(\"mail.server.server1.hostname\", \"127.0.0.1\");\r\n";

// One situation arranged around a target "prefs.js" that holds kOld: the
// answer, the target's bytes (through a link, the link's target's) and
// attributes, and the folder's names afterwards.
struct ArrangedRow {
  const char* what;
  void (*arrange)(const TempFolder& folder);
  DWORD share_of_holder;  // the target is held open with this sharing; ~0u: not held
  bool written;
  std::vector<std::string> names_after;
};

void NoArrangement(const TempFolder&) {}
void TempNameIsAFolder(const TempFolder& folder) {
  ASSERT_TRUE(CreateDirectoryA(folder.Join("prefs.js.corvane-new").c_str(), nullptr));
}
void TargetIsReadOnly(const TempFolder& folder) {
  ASSERT_TRUE(SetFileAttributesA(folder.Join("prefs.js").c_str(), FILE_ATTRIBUTE_READONLY));
}
void TargetIsHidden(const TempFolder& folder) {
  ASSERT_TRUE(SetFileAttributesA(folder.Join("prefs.js").c_str(), FILE_ATTRIBUTE_HIDDEN));
}
void TargetIsSystem(const TempFolder& folder) {
  ASSERT_TRUE(SetFileAttributesA(folder.Join("prefs.js").c_str(), FILE_ATTRIBUTE_SYSTEM));
}
// prefs.js a host link to real.js beside it (Wine shows a link to a file
// as the file itself); the link goes with the folder.
void TargetIsALink(const TempFolder& folder) {
  const std::string link = folder.Join("prefs.js");
  ASSERT_TRUE(MoveFileA(link.c_str(), folder.Join("real.js").c_str()));
  ASSERT_TRUE(RunOnHost("Z:\\bin\\ln -s real.js " + UnixPath(link), FileExists, link));
}

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const ArrangedRow kArrangedTable[] = {
    {"held open without sharing", NoArrangement, 0, false, {"prefs.js"}},
    {"held open sharing reading only", NoArrangement, FILE_SHARE_READ, false, {"prefs.js"}},
    {"held open sharing writing", NoArrangement, FILE_SHARE_READ | FILE_SHARE_WRITE, true,
     {"prefs.js"}},
    {"held open sharing writing and deleting", NoArrangement, kShareAll, true, {"prefs.js"}},
    {"temporary name taken by a folder", TempNameIsAFolder, ~0u, true,
     {"prefs.js", "prefs.js.corvane-new"}},
    {"read-only attribute", TargetIsReadOnly, ~0u, false, {"prefs.js"}},
    {"hidden attribute", TargetIsHidden, ~0u, false, {"prefs.js"}},
    {"system attribute", TargetIsSystem, ~0u, false, {"prefs.js"}},
    {"symbolic link to a file beside it", TargetIsALink, ~0u, true, {"prefs.js", "real.js"}},
};

TEST(ReplaceWholeFile, ArrangedTargetTable) {
  for (const ArrangedRow& row : kArrangedTable) {
    SCOPED_TRACE(row.what);
    TempFolder folder("corvane-replace-fault");
    const std::string target = folder.Join("prefs.js");
    ASSERT_TRUE(WriteFileBytes(target, kOld));
    row.arrange(folder);
    const DWORD attributes = GetFileAttributesA(target.c_str());
    {
      HeldFile held(row.share_of_holder != ~0u ? target : "", GENERIC_READ, row.share_of_holder);
      if (row.share_of_holder != ~0u) ASSERT_TRUE(held.ok());
      EXPECT_EQ(ReplaceWholeFile(target, kNew), row.written);
    }
    for (const std::string& name : row.names_after)  // each file, the link's target too
      if ((GetFileAttributesA(folder.Join(name).c_str()) & FILE_ATTRIBUTE_DIRECTORY) == 0)
        EXPECT_EQ(Read(folder.Join(name)), row.written ? kNew : kOld) << name;
    EXPECT_EQ(GetFileAttributesA(target.c_str()), attributes);
    EXPECT_EQ(Names(folder.path()), row.names_after);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (row.arrange == TargetIsALink)  // Wine's delete would remove the link's target instead
      RunOnHost("Z:\\bin\\rm -f " + UnixPath(target), [](const std::string& path) {
        return !FileExists(path); }, target);
  }
}

TEST(ReplaceWholeFileFaults, FolderThatDoesNotExistCreatesNothing) {
  TempFolder folder("corvane-replace-nofolder");
  EXPECT_FALSE(ReplaceWholeFile(folder.Join("missing\\prefs.js"), kNew));
  EXPECT_TRUE(Names(folder.path()).empty());
}

TEST(ReplaceWholeFileFaults, TargetThatIsAFolderStaysAFolder) {
  TempFolder folder("corvane-replace-dir");
  ASSERT_TRUE(CreateDirectoryA(folder.Join("prefs.js").c_str(), nullptr));
  EXPECT_FALSE(ReplaceWholeFile(folder.Join("prefs.js"), kNew));
  EXPECT_EQ(GetFileAttributesA(folder.Join("prefs.js").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"prefs.js"});
}

// Successful replacements: the new bytes, the target's attributes, and no
// temporary file afterwards.
struct SuccessRow {
  const char* what;
  bool target_exists;
  DWORD attributes;       // of the existing target
  bool stale_temp;        // a temporary file left by a writer killed earlier
  std::string new_bytes;
};

const SuccessRow kSuccessTable[] = {
    {"new file", false, 0, false, kNew},
    {"existing file", true, FILE_ATTRIBUTE_ARCHIVE, false, kNew},
    {"stale temporary file from a killed writer", true, FILE_ATTRIBUTE_ARCHIVE, true, kNew},
    {"empty new content", true, FILE_ATTRIBUTE_ARCHIVE, false, ""},
};

TEST(ReplaceWholeFile, SuccessTable) {
  for (const SuccessRow& row : kSuccessTable) {
    SCOPED_TRACE(row.what);
    TempFolder folder("corvane-replace-ok");
    const std::string target = folder.Join("prefs.js");
    if (row.target_exists) {
      ASSERT_TRUE(WriteFileBytes(target, kOld));
      ASSERT_TRUE(SetFileAttributesA(target.c_str(), row.attributes));
    }
    if (row.stale_temp) {
      ASSERT_TRUE(WriteFileBytes(folder.Join("prefs.js.corvane-new"), "half a fi"));
    }
    EXPECT_TRUE(ReplaceWholeFile(target, row.new_bytes));
    EXPECT_EQ(Read(target), row.new_bytes);
    if (row.target_exists) { EXPECT_EQ(GetFileAttributesA(target.c_str()), row.attributes); }
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"prefs.js"});
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// --- A writer killed during the write -------------------------------------

const char kTargetVariable[] = "CORVANE_REPLACE_TARGET";

// Two large contents of different lengths, so that a mix or a truncation of
// either is neither.
std::string Content(char letter, std::size_t lines) {
  std::string text;
  text.reserve(lines * 64);
  for (std::size_t i = 0; i < lines; ++i) {
    std::string line = "user_pref(\"line." + std::to_string(i) + "\", \"";
    line.append(40 - (line.size() % 40), letter);
    text += line + "\");\r\n";
  }
  return text;
}
const std::size_t kOldLines = 400000;  // about 20 MB each
const std::size_t kNewLines = 390000;

// Run only as the child of KilledWriterLeavesOldOrNewBytes: rewrites the
// target with the two contents in turn until it is killed.
TEST(ReplaceWholeFileChild, DISABLED_RewriteUntilKilled) {
  const char* target = std::getenv(kTargetVariable);
  ASSERT_NE(target, nullptr);
  const std::string contents[2] = {Content('n', kNewLines), Content('o', kOldLines)};
  for (unsigned turn = 0;; ++turn) ReplaceWholeFile(target, contents[turn % 2]);
}

// A child process running the rewrite loop above, terminated when destroyed.
class RewritingChild {
 public:
  explicit RewritingChild(const std::string& target) {
    SetEnvironmentVariableA(kTargetVariable, target.c_str());
    char program[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string line = std::string("\"") + program +
                       "\" --gtest_also_run_disabled_tests"
                       " --gtest_filter=ReplaceWholeFileChild.DISABLED_RewriteUntilKilled";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    started_ = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process_) != FALSE;
  }
  ~RewritingChild() { Kill(); }
  RewritingChild(const RewritingChild&) = delete;
  RewritingChild& operator=(const RewritingChild&) = delete;
  bool started() const { return started_; }
  void Kill() {
    if (!started_) return;
    TerminateProcess(process_.hProcess, 9);
    WaitForSingleObject(process_.hProcess, INFINITE);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    started_ = false;
  }

 private:
  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

TEST(ReplaceWholeFileFaults, KilledWriterLeavesOldOrNewBytes) {
  const std::string old_bytes = Content('o', kOldLines);
  const std::string new_bytes = Content('n', kNewLines);
  TempFolder folder("corvane-replace-kill");
  const std::string target = folder.Join("prefs.js");
  int killed_mid_write = 0;  // kills after which a temporary file was left
  int saw_new = 0;
  for (int attempt = 0; attempt < 6; ++attempt) {
    SCOPED_TRACE(attempt);
    ASSERT_TRUE(WriteFileBytes(target, old_bytes));
    {
      RewritingChild child(target);
      ASSERT_TRUE(child.started());
      Sleep(700 + attempt * 233);
      child.Kill();
    }
    const std::string now = Read(target);
    const bool whole = now == old_bytes || now == new_bytes;
    EXPECT_TRUE(whole) << "size " << now.size();
    if (now == new_bytes) ++saw_new;
    if (FileExists(target + ".corvane-new")) ++killed_mid_write;
  }
  // The kills must have hit the writer while it was writing, or the test
  // proved nothing.
  EXPECT_GT(killed_mid_write, 0);
  RecordProperty("killed_mid_write", killed_mid_write);
  RecordProperty("saw_new", saw_new);
  std::printf("kills during a write: %d of 6; new bytes seen %d times\n", killed_mid_write,
              saw_new);
}

}  // namespace
