#include "Config/RegisterEudora.h"

namespace {
const char kSourceFile[] = "Config\\RegisterEudora";
const char kNotSupported[] = "Eudora is not supported yet.";
}  // namespace

bool RegisterEudora::Configure(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

bool RegisterEudora::Restore(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

int RegisterEudora::ImportBlackList(const std::string& /*path*/) {
  return 255;
}

int RegisterEudora::ImportWhiteList(const std::string& /*path*/) {
  ConfigLog::WriteLog(std::string("BaseException :") + kNotSupported);
  SetResult(1);
  return GetResult();
}
