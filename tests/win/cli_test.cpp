// The host tool corvane-config.exe, run as a child process.
#include <gtest/gtest.h>

#include "WinTestSupport.h"

using namespace wintest;

namespace {

std::string Tool() { return "\"" + ProgramFolder() + "\\corvane-config.exe\""; }

struct CliRow {
  const char* arguments;
  int exit_code;
  const char* output_holds;
};

TEST(Cli, ArgumentErrorsAndResults) {
  const CliRow rows[] = {
      {"", 64, "usage: corvane-config"},
      {"--help", 0, "import CLIENT white FILE"},
      {"set --help", 0, "Points every incoming account of CLIENT at PROXY"},
      {"import --help", 0, "import outlookexpress black FILE"},
      {"show --help", 0, "Writes nothing."},
      {"--help importoperawhitelist", 0, "ImportOperaWhiteList ARGUMENT"},
      {"show", 64, "show: which client?"},
      {"show thunder", 64, "unknown client 'thunder'"},
      {"--json show eudora", 0, "{\"proxy\":\"127.0.0.1\",\"clients\":[{\"client\":\"eudora\""},
      {"--frobnicate set opera 1.2.3.4", 64, "unknown option --frobnicate"},
      {"SetOpra 127.0.0.1", 64, "did you mean 'SetOpera'?"},
      {"set opra 127.0.0.1", 64, "did you mean 'opera'?"},
      {"set", 64, "which client?"},
      {"set opera", 64, "needs the PROXY address"},
      {"set opera 1 2", 64, "too many arguments"},
      {"import opera", 64, "needs 'white' or 'black'"},
      {"import opera grey x.txt", 64, "'white' or 'black', not 'grey'"},
      {"import opera black x.txt", 64, "only Outlook Express has a black list"},
      {"SetOpera", 64, "SetOpera needs one argument"},
      {"--dll C:\\no\\such\\CONFIG.dll SetOpera x", 69, "cannot load"},
      {"SetOpera \"\"", 2, "SetOpera(\"\") = 2: refused: invalid (empty) proxy address"},
      {"reset eudora \"\"", 2, "ResetEudora(\"\") = 2"},
      {"--json setopera \"\"", 2,
       "{\"export\":\"SetOpera\",\"argument\":\"\",\"result\":2,\"succeeded\":false,"},
  };
  for (const CliRow& row : rows) {
    std::string output;
    EXPECT_EQ(RunProgram(Tool() + " " + row.arguments, output), row.exit_code) << row.arguments;
    EXPECT_NE(output.find(row.output_holds), std::string::npos)
        << row.arguments << "\n" << output;
  }
}

TEST(Cli, LogOptionPrintsTheCallsLinesAndPutsTheValueBack) {
  LoggingValue off(false);
  ASSERT_TRUE(WriteFileBytes(ConfigLogPath(), "older line\r\n"));
  std::string output;
  EXPECT_EQ(RunProgram(Tool() + " --log set netscape \"\"", output), 2);
  EXPECT_NE(output.find("--- ConfigLog lines of this call ---\r\n"
                        "BaseException : Invalid IP Address specified.\r\n"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("older line"), std::string::npos);
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, "Software\\Vantrel\\Corvane", "Logging").exists);
  ClearLog();
}

TEST(Cli, LogOptionKeepsAnExistingValue) {
  LoggingValue on(true);
  std::string output;
  EXPECT_EQ(RunProgram(Tool() + " --log SetOpera \"\"", output), 2);
  RawValue value = GetRaw(HKEY_CURRENT_USER, "Software\\Vantrel\\Corvane", "Logging");
  EXPECT_TRUE(value.exists);
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value.bytes, std::string(4, '\0'));
  ClearLog();
}

}  // namespace
