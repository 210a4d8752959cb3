// Times FindFiles against a bare FindFirstFileA/FindNextFileA walk of the
// same folder tree, alternating the two so that both see a warm cache.
//
//   find_files_bench <folder> [rounds]
//
// The tree is made when <folder> does not exist yet: 100 folders of 10
// subfolders of 100 files each (100 000 files), with one "Eudora.ini" per
// top folder.  Times are printed in milliseconds, the best of each kind.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/FileFinder.h"

namespace {

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool MakeTree(const std::string& root) {
  if (!CreateDirectoryA(root.c_str(), nullptr)) return false;
  for (int top = 0; top < 100; ++top) {
    const std::string a = root + "\\d" + std::to_string(top);
    CreateDirectoryA(a.c_str(), nullptr);
    for (int mid = 0; mid < 10; ++mid) {
      const std::string b = a + "\\s" + std::to_string(mid);
      CreateDirectoryA(b.c_str(), nullptr);
      for (int file = 0; file < 100; ++file) {
        const std::string name =
            (mid == 0 && file == 0) ? "EUDORA.INI" : "f" + std::to_string(file) + ".txt";
        HANDLE handle = CreateFileA((b + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        CloseHandle(handle);
      }
    }
  }
  return true;
}

// The same traversal as the search, without matching or results.
void BareWalk(const std::string& folder, long& files) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const char* name = entry.cFileName;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      BareWalk(folder + "\\" + name, files);
    else
      ++files;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: find_files_bench <folder> [rounds]\n");
    return 2;
  }
  const std::string root = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (GetFileAttributesA(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const double start = Now();
    if (!MakeTree(root)) {
      std::fprintf(stderr, "cannot make the tree in %s\n", root.c_str());
      return 1;
    }
    std::printf("made the tree in %.0f ms\n", Now() - start);
  }
  double best_bare = 1e300, best_find = 1e300;
  long files = 0;
  std::size_t found = 0;
  for (int round = 0; round < rounds; ++round) {
    files = 0;
    double start = Now();
    BareWalk(root, files);
    const double bare = Now() - start;
    std::vector<std::string> paths;
    start = Now();
    FindFiles(root, "Eudora.ini", paths);
    const double find = Now() - start;
    found = paths.size();
    std::printf("round %d: bare walk %.0f ms, FindFiles %.0f ms\n", round + 1, bare, find);
    if (bare < best_bare) best_bare = bare;
    if (find < best_find) best_find = find;
  }
  std::printf("files %ld, found %zu; best: bare walk %.0f ms, FindFiles %.0f ms, ratio %.2f\n",
              files, found, best_bare, best_find, best_find / best_bare);
  return 0;
}
