#include "Config/RegisterOutlookExpress.h"

namespace {
const char kSourceFile[] = "Config\\RegisterOutlookExpress";
const char kNotSupported[] = "Outlook Express is not supported yet.";
}  // namespace

bool RegisterOutlookExpress::Configure(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

bool RegisterOutlookExpress::Restore(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

int RegisterOutlookExpress::ImportBlackList(const std::string& /*path*/) {
  return 0;
}

int RegisterOutlookExpress::ImportWhiteList(const std::string& /*path*/) {
  ConfigLog::WriteLog(std::string("BaseException :") + kNotSupported);
  SetResult(1);
  return GetResult();
}
