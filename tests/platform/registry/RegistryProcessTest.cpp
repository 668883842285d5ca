// The settings store shared between processes: regtool, concurrent writers, a writer killed
// half-way, a damaged database file.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "registry/RegistryKey.h"
#include "registry/TRegistry2.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Output {
  int status = -1;  // exit status, or -signal
  std::string out;
  std::string err;
};

// Starts a program with the test's environment (and so its database). Output goes to files in
// the test directory when names are given.
pid_t Spawn(const std::vector<std::string>& args, const std::string& outFile = {},
            const std::string& errFile = {}) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!outFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }
  if (!errFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }
  std::vector<char*> argv;
  for (const auto& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(error, 0) << args[0];
  return error == 0 ? pid : -1;
}

int Wait(pid_t pid) {
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1000;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

Output Regtool(std::vector<std::string> args) {
  const auto dir = testing_support::TestDirectory();
  args.insert(args.begin(), REGTOOL_PATH);
  Output output;
  output.status = Wait(Spawn(args, (dir / "out.txt").string(), (dir / "err.txt").string()));
  output.out = ReadFile(dir / "out.txt");
  output.err = ReadFile(dir / "err.txt");
  return output;
}

std::vector<fs::path> MovedAsideFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(testing_support::TestDirectory())) {
    if (entry.path().filename().string().starts_with("registry.db.corrupt-")) {
      files.push_back(entry.path());
    }
  }
  return files;
}

constexpr const char* kDeviceKey = "Software\\RavorOderiri\\Devices\\Cam 0";
// The size of the value the endless writer rewrites each round (RegistryWriter.cpp).
constexpr std::size_t kBlobSize = 256 * 1024;

TEST(RegistryProcessTest, AValueWrittenByOneProcessIsReadByAnother) {
  {
    TRegistry2 registry;
    ASSERT_TRUE(registry.OpenKey(kDeviceKey, true));
    ASSERT_TRUE(registry.WriteInteger("VideoSize", 3));
  }
  Output get = Regtool({"get", std::string("HKCU\\") + kDeviceKey, "videosize"});
  EXPECT_EQ(get.status, 0) << get.err;
  EXPECT_EQ(get.out, "3\n");

  ASSERT_EQ(Regtool({"set", kDeviceKey, "FrameRate", "float", "12.5"}).status, 0);
  ASSERT_EQ(Regtool({"set", kDeviceKey, "Name", "sz", "Kamera 1"}).status, 0);
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(kDeviceKey));
  double rate = 0;
  std::string name;
  EXPECT_TRUE(registry.ReadFloat("FrameRate", &rate));
  EXPECT_EQ(rate, 12.5);
  EXPECT_TRUE(registry.ReadString("Name", &name));
  EXPECT_EQ(name, "Kamera 1");
}

TEST(RegistryProcessTest, RegtoolListsExportsAndDeletes) {
  ASSERT_EQ(Regtool({"set", kDeviceKey, "VideoSize", "dword", "0x10"}).status, 0);
  ASSERT_EQ(Regtool({"set", kDeviceKey, "WDMState", "binary", "01 ff"}).status, 0);
  ASSERT_EQ(Regtool({"set", "HKCU\\Software\\RavorOderiri\\5.2_1210021507", "", "sz", ""}).status,
            0);

  const Output list = Regtool({"list", "HKEY_CURRENT_USER\\Software\\RavorOderiri"});
  EXPECT_EQ(list.out, "5.2_1210021507\\\nDevices\\\n");
  const Output exported = Regtool({"export", "HKCU\\Software\\RavorOderiri\\Devices"});
  EXPECT_EQ(exported.status, 0);
  EXPECT_EQ(exported.out,
            "[HKCU\\Software\\RavorOderiri\\Devices]\n"
            "[HKCU\\Software\\RavorOderiri\\Devices\\Cam 0]\n"
            "  \"VideoSize\" = dword 16\n"
            "  \"WDMState\" = binary 01 ff\n");

  EXPECT_EQ(Regtool({"delete", kDeviceKey, "VideoSize"}).status, 0);
  EXPECT_EQ(Regtool({"get", kDeviceKey, "VideoSize"}).status, 1);
  EXPECT_EQ(Regtool({"delete", "\\Software\\RavorOderiri\\"}).status, 0);
  const Output missing = Regtool({"list", "HKCU\\Software\\RavorOderiri"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("not found"), std::string::npos) << missing.err;
}

TEST(RegistryProcessTest, RegtoolExplainsItsUsage) {
  const Output none = Regtool({});
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.err.find("usage: regtool"), std::string::npos);
  const Output badType = Regtool({"set", kDeviceKey, "V", "qword", "1"});
  EXPECT_EQ(badType.status, 2);
  EXPECT_NE(badType.err.find("unknown type"), std::string::npos);
  EXPECT_EQ(Regtool({"set", kDeviceKey, "V", "dword", "12x"}).status, 2);
  EXPECT_EQ(Regtool({"set", kDeviceKey, "V", "binary", "1"}).status, 2);
  EXPECT_EQ(Regtool({"delete", "HKCU"}).status, 2);
  // Nothing above wrote anything.
  EXPECT_FALSE(fs::exists(testing_support::TestDirectory() / "registry.db"));
}

TEST(RegistryProcessTest, TwoProcessesWritingAtTheSameTimeBothKeepTheirValues) {
  constexpr int kCount = 40;
  const std::string count = std::to_string(kCount);
  const pid_t first = Spawn({REGISTRY_WRITER_PATH, kDeviceKey, "First", count});
  const pid_t second = Spawn({REGISTRY_WRITER_PATH, kDeviceKey, "Second", count});
  ASSERT_EQ(Wait(first), 0);
  ASSERT_EQ(Wait(second), 0);

  registry::RegistryKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kDeviceKey), ERROR_SUCCESS);
  EXPECT_EQ(key.Values().size(), 2u * kCount);
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(key.ReadDword("First" + std::to_string(i)), static_cast<DWORD>(i));
    EXPECT_EQ(key.ReadDword("Second" + std::to_string(i)), static_cast<DWORD>(i));
  }
}

// Starts the endless writer with its standard output on a pipe, which the returned descriptor
// reads.
pid_t SpawnEndlessWriter(int* progress) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  const char* argv[] = {REGISTRY_WRITER_PATH, kDeviceKey, "loop", nullptr};
  pid_t pid = -1;
  const int error =
      posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  *progress = fds[0];
  return error == 0 ? pid : -1;
}

// Waits, with a generous deadline, until the writer reports the given number of rounds done.
// Its progress comes through the pipe rather than the database, so that the test's reads do not
// hold the writer up.
bool WaitForRounds(int progress, int rounds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int seen = 0;
  while (seen < rounds && std::chrono::steady_clock::now() < deadline) {
    pollfd readable{progress, POLLIN, 0};
    if (poll(&readable, 1, 1000) <= 0) continue;
    char buffer[256];
    const ssize_t count = read(progress, buffer, sizeof buffer);
    if (count <= 0) return false;  // the writer ended
    seen += static_cast<int>(std::count(buffer, buffer + count, '\n'));
  }
  return seen >= rounds;
}

TEST(RegistryProcessTest, AWriterKilledInTheMiddleLeavesAReadableStore) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    int progress = -1;
    const pid_t writer = SpawnEndlessWriter(&progress);
    ASSERT_GT(writer, 0);
    const bool running = WaitForRounds(progress, 2 + attempt);
    // Each attempt kills a little later into the round, to land at different points of a write.
    const auto killTime =
        std::chrono::steady_clock::now() + std::chrono::microseconds(250 * attempt);
    while (std::chrono::steady_clock::now() < killTime) {
    }
    kill(writer, SIGKILL);
    close(progress);
    ASSERT_EQ(Wait(writer), -SIGKILL);
    ASSERT_TRUE(running) << "the writer made no progress";

    // A fresh process checks the file as it opens it and would move a damaged one aside.
    const Output checked = Regtool({"get", kDeviceKey, "Counter"});
    ASSERT_EQ(checked.status, 0) << checked.err;
    EXPECT_EQ(checked.err, "");
    EXPECT_TRUE(MovedAsideFiles().empty());

    registry::RegistryKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kDeviceKey), ERROR_SUCCESS);
    const auto blob = key.ReadBinary("Blob");
    ASSERT_TRUE(blob.has_value());
    ASSERT_EQ(blob->size(), kBlobSize);
    EXPECT_EQ(std::count(blob->begin(), blob->end(), blob->front()), static_cast<long>(kBlobSize))
        << "a torn value";
    EXPECT_TRUE(key.ReadDword("Counter").has_value());
  }
}

TEST(RegistryProcessTest, AGarbageDatabaseIsMovedAsideAndANewOneStarted) {
  const auto file = testing_support::TestDirectory() / "registry.db";
  const std::string garbage = "this is not a database, only some text\n";
  std::ofstream(file) << garbage;

  testing::internal::CaptureStderr();
  TRegistry2 registry;
  const bool opened = registry.OpenKey(kDeviceKey, true);
  const bool written = registry.WriteInteger("VideoSize", 2);
  const std::string warnings = testing::internal::GetCapturedStderr();

  ASSERT_TRUE(opened);
  ASSERT_TRUE(written);
  EXPECT_NE(warnings.find("damaged"), std::string::npos) << warnings;
  const auto aside = MovedAsideFiles();
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(ReadFile(aside.front()), garbage);
  std::int32_t size = 0;
  EXPECT_TRUE(registry.ReadInteger("VideoSize", &size));
  EXPECT_EQ(size, 2);
}

TEST(RegistryProcessTest, AReadOfAGarbageDatabaseMovesItAsideAndFindsNothing) {
  const auto file = testing_support::TestDirectory() / "registry.db";
  std::ofstream(file) << std::string(4096, '\x5a');

  testing::internal::CaptureStderr();
  TRegistry2 registry;
  const bool found = registry.KeyExists(kDeviceKey);
  testing::internal::GetCapturedStderr();

  EXPECT_FALSE(found);
  EXPECT_EQ(MovedAsideFiles().size(), 1u);
  EXPECT_FALSE(fs::exists(file));  // a pure read starts no new file
}

}  // namespace
