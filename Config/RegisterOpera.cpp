#include "Config/RegisterOpera.h"

namespace {
const char kSourceFile[] = "Config\\RegisterOpera";
const char kNotSupported[] = "Opera is not supported yet.";
}  // namespace

bool RegisterOpera::Configure(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

bool RegisterOpera::Restore(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

int RegisterOpera::ImportBlackList(const std::string& /*path*/) {
  return 255;
}

int RegisterOpera::ImportWhiteList(const std::string& /*path*/) {
  ConfigLog::WriteLog(std::string("BaseException :") + kNotSupported);
  SetResult(1);
  return GetResult();
}
