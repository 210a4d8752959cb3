// Client files below Application Data, put by a test and checked after the
// calls under test.
#ifndef CORVANE_TESTS_WIN_SUPPORT_CLIENTFILES_H_
#define CORVANE_TESTS_WIN_SUPPORT_CLIENTFILES_H_

#include <string>
#include <vector>

namespace wintest {

// The client folders below Application Data (Mozilla, Opera,
// Qualcomm\Eudora), removed with everything in them (read-only files
// included) when the object is constructed and again when it is destroyed,
// and with them the registry keys that would point the clients at other
// folders (Opera's and Eudora's App Paths, Opera's own key).
class ClientFiles {
 public:
  ClientFiles();
  ~ClientFiles();
  ClientFiles(const ClientFiles&) = delete;
  ClientFiles& operator=(const ClientFiles&) = delete;

  // Application Data joined with a relative path.
  static std::string Path(const std::string& relative);

  // Writes a file (making its folders) and remembers its bytes; answers
  // its full path.
  std::string Put(const std::string& relative, const std::string& bytes);

  // One line per file put whose bytes differ now ("... changed") or that is
  // gone, and per file below the client folders that was not put
  // ("... appeared"); empty when nothing changed.
  std::string Changes() const;

 private:
  struct File {
    std::string relative;
    std::string bytes;
  };
  static void Clean();
  std::vector<File> files_;
};

}  // namespace wintest

#endif  // CORVANE_TESTS_WIN_SUPPORT_CLIENTFILES_H_
