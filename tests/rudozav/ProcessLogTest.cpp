// The process log and the error log: what reaches "log.txt" and what reaches the host.

#include <filesystem>
#include <fstream>
#include <regex>

#include "ComponentFixture.h"
#include "rudozav/core/ProcessLog.h"

namespace rudozav_test {
namespace {

const std::string kEquals(80, '=');

TEST_F(LoggedComponentTest, StartupEmptiesTheLogAndWritesTheBeginBlock) {
  const std::regex begin("\n" + kEquals +
                         "\nBEGIN TRavorOderiri v5\\.2_1210021507 process log \\([^)]+\\)\n" +
                         kEquals + "\n\n");
  EXPECT_TRUE(std::regex_match(LogText(), begin)) << LogText();
}

TEST_F(LoggedComponentTest, FinalizationWritesItsBlocksAfterFreeingTheManager) {
  Create();
  FinishProcess();
  const std::string log = LogText();
  const std::string tail = "\n" + std::string(80, '-') + "\nFinalization\n" + std::string(80, '-') +
                           "\n\ncouninitializing\nfreeing devmanager\n" + "\n" + kEquals +
                           "\nEND TRavorOderiri v5.2_1210021507 process log\n" + kEquals + "\n\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
  EXPECT_TRUE(LogHasLine("COINITIALIZING"));
  EXPECT_TRUE(LogHasLine("creating dev manager"));
  EXPECT_TRUE(LogHasLine("component initialized"));
  EXPECT_TRUE(LogHasLine("...... clear ........"));
}

// The three tests of a state check are all logged, passed or failed, always in the same order.
TEST_F(LoggedComponentTest, AStateCheckLogsItsThreeTestsInOrder) {
  struct TCase {
    TCurrentState state;
    TCurrentStates allowed;
    bool result;
    std::vector<std::string> lines;
  };
  const std::vector<TCase> cases = {
      {cs_Down,
       {cs_Preview},
       true,
       {"65 ok: stop capture first", "70 ok: wait for recompress completion",
        "78 ok: stop preview first"}},
      {cs_Capture,
       {cs_Down, cs_Preview},
       false,
       {"65 Error: stop capture first", "70 ok: wait for recompress completion",
        "78 ok: stop preview first"}},
      {cs_Recompress,
       {cs_Down, cs_Preview},
       false,
       {"65 ok: stop capture first", "70 Error: wait for recompress completion",
        "78 ok: stop preview first"}},
      {cs_Preview,
       {cs_Down},
       false,
       {"65 ok: stop capture first", "70 ok: wait for recompress completion",
        "78 Error: stop preview first"}},
      {cs_Player,
       {cs_Preview},
       true,
       {"65 ok: stop capture first", "70 ok: wait for recompress completion",
        "78 ok: stop preview first"}},
  };
  TRavorOderiri& component = CreateLoaded();
  for (const TCase& check : cases) {
    SCOPED_TRACE(check.state);
    component.ChangeState(check.state);
    WriteProcessLog("-- check");
    EXPECT_EQ(component.CheckState(check.allowed), check.result);
    EXPECT_EQ(LogLinesAfter("-- check"), check.lines);
  }
}

TEST_F(LoggedComponentTest, ChecksAndFailuresAreLoggedWithCodeAndPrefix) {
  TRavorOderiri& component = CreateLoaded();
  component.StopCapture();
  component.ClosePlayer();
  component.LogCheck(true, 1, "a warning", 123);
  EXPECT_TRUE(LogHasLine("89 Error: not capturing"));
  EXPECT_TRUE(LogHasLine("4 Error: already closed"));
  EXPECT_TRUE(LogHasLine("123 Warning: a warning"));
}

TEST_F(LoggedComponentTest, ListsWithTheHostsLineBreaksAreWrittenAsLinuxLines) {
  WriteProcessLog("sizes\r\n160x120\r\n320x240");
  EXPECT_TRUE(LogText().ends_with("\nsizes\n160x120\n320x240\n"));
  EXPECT_EQ(LogText().find('\r'), std::string::npos);
}

TEST_F(LoggedComponentTest, LoggingStopsWhenTheFileIsDeletedAndAMissingLineEndIsAdded) {
  { std::ofstream("log.txt", std::ios::app) << "no line end"; }
  WriteProcessLog("next");
  EXPECT_TRUE(LogText().ends_with("\nno line end\nnext\n"));
  std::filesystem::remove("log.txt");
  WriteProcessLog("lost");
  EXPECT_FALSE(std::filesystem::exists("log.txt"));
}

TEST_F(ComponentTest, WithoutTheLogFileNothingIsWrittenAndTheHostStillHearsErrors) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  component.StopCapture();
  EXPECT_FALSE(std::filesystem::exists("log.txt"));
  EXPECT_EQ(events, (std::vector<std::string>{"ErrorLog 89 Error: not capturing"}));
}

TEST_F(ComponentTest, OnlyWarningsAndErrorsOfALoadedComponentReachTheHost) {
  TRavorOderiri& component = Create();
  Record(component);
  component.LogCheck(true, 2, "before loading", 1);
  EXPECT_TRUE(events.empty());
  component.Loaded();  // starts the preview, which fails without a device: the host hears of it
  EXPECT_EQ(events, (std::vector<std::string>{
                        "StateChanging 0 1", "ErrorLog 33 Error: no video device",
                        "ErrorLog 85 Error: cannot start preview", "ComponentLoaded"}));
  events.clear();
  component.LogCheck(true, 0, "a trace", 2);
  component.LogCheck(false, 2, "a success", 3);
  component.LogCheck(true, 1, "a warning", 4);
  component.LogMessage(E_OUTOFMEMORY, 2, "an error", 5);
  EXPECT_EQ(events, (std::vector<std::string>{"ErrorLog 4 Warning: a warning",
                                              "ErrorLog 5 Error: an error"}));
  EXPECT_TRUE(component.LogMessage(S_FALSE, 2, "S_FALSE is a success", 6));
}

}  // namespace
}  // namespace rudozav_test
