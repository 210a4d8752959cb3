// Whole-file reading and writing of client files and exported lists.
//
// Contract: ReadWholeFile reads every byte (binary, no newline translation)
// or answers why not and leaves `text` alone; the file is closed however the
// call ends (memory for its bytes running out raises std::bad_alloc).
// ReadClientFile raises that answer as the client's own error.
// ReplaceWholeFile gives what creating or cutting the file, writing the
// text whole and closing it gives (true when the file could be opened for
// writing and written), and where it can, it does so without ever leaving a
// half-written file: it writes a temporary file in the same folder, flushes
// it, and swaps it for the target in one rename; the new file then takes the
// security of a file newly created in the folder.  Where the rename is not
// possible (the target held open by a program that shares writing, a folder
// where no file may be created) or would not give the same file (the target
// is a link), the file is written in place.  A read-only, hidden or system
// target and a folder of the target's name are refused (false) with nothing
// written.  No temporary file is left behind.
#ifndef CORVANE_SUPPORT_FILETEXT_H
#define CORVANE_SUPPORT_FILETEXT_H

#include <string>

enum class FileRead { kDone, kCannotOpen, kCannotRead };
FileRead ReadWholeFile(const std::string& path, std::string& text);

// The bytes of a client file, read whole.  A file that cannot be opened
// raises Tessaly::BaseException with `open_error`, one that cannot be read to
// its end with `read_error`; both with the given severity and raise site.
std::string ReadClientFile(const std::string& path, const char* open_error,
                           const char* read_error, int severity, const char* source_file,
                           int line);
bool ReplaceWholeFile(const std::string& path, const std::string& text);

// An exported list file: created or cut to zero length when constructed,
// receiving the list's bytes in one piece at the end.  A file that cannot be
// opened makes Write a no-op (the export reports it no other way).
class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  bool Write(const std::string& bytes);

 private:
  void* file_;  // FILE*
};

#endif  // CORVANE_SUPPORT_FILETEXT_H
