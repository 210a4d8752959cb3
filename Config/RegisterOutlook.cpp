#include "Config/RegisterOutlook.h"

namespace {
const char kSourceFile[] = "Config\\RegisterOutlook";
const char kNotSupported[] = "Outlook is not supported yet.";
}  // namespace

bool RegisterOutlook::Configure(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

bool RegisterOutlook::Restore(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

int RegisterOutlook::ImportBlackList(const std::string& /*path*/) {
  return 0;
}

int RegisterOutlook::ImportWhiteList(const std::string& /*path*/) {
  ConfigLog::WriteLog(std::string("BaseException :") + kNotSupported);
  SetResult(1);
  return GetResult();
}
