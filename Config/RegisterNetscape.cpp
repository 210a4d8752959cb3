#include "Config/RegisterNetscape.h"

namespace {
const char kSourceFile[] = "Config\\RegisterNetscape";
const char kNotSupported[] = "Netscape is not supported yet.";
}  // namespace

bool RegisterNetscape::Configure(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

bool RegisterNetscape::Restore(const std::string& /*proxy*/) {
  throw Tessaly::BaseException(kSourceFile, __LINE__, kNotSupported, 1);
}

int RegisterNetscape::ImportBlackList(const std::string& /*path*/) {
  return 255;
}

int RegisterNetscape::ImportWhiteList(const std::string& /*path*/) {
  ConfigLog::WriteLog(std::string("BaseException :") + kNotSupported);
  SetResult(1);
  return GetResult();
}
