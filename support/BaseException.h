// The one exception type of the library.
//
// Contract: every failure that ends a registrar operation is thrown as a
// Tessaly::BaseException by value and caught by reference.  The severity is
// what the exported function finally returns to the host; the message is
// what the configuration log shows.  File and line name the raise site for
// diagnosis only: nothing reads them back.
#ifndef CORVANE_SUPPORT_BASEEXCEPTION_H
#define CORVANE_SUPPORT_BASEEXCEPTION_H

#include <string>

namespace Tessaly {

class BaseException {
 public:
  BaseException(const std::string& file, int line, const std::string& message, int severity)
      : severity_(severity), line_(line), file_(file), message_(message) {}
  BaseException(const BaseException&) = default;
  BaseException& operator=(const BaseException&) = default;
  virtual ~BaseException() = default;

  virtual std::string GetMessageText() const { return message_; }
  virtual int GetSeverity() const { return severity_; }

  const std::string& GetFile() const { return file_; }
  int GetLine() const { return line_; }

 private:
  int severity_;
  int line_;
  std::string file_;
  std::string message_;
};

}  // namespace Tessaly

#endif  // CORVANE_SUPPORT_BASEEXCEPTION_H
