// A second process for the settings store tests.
//   registry_test_writer KEY PREFIX COUNT  writes PREFIX0 .. PREFIX<COUNT-1> as dwords 0 .. COUNT-1
//   registry_test_writer KEY loop          writes without end, until killed, and prints the
//                                          number of each round done on standard output
// Exit status 0 when every write succeeded.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "registry/RegistryKey.h"

namespace {

// Large enough that committing it takes many page writes, so a kill often lands among them.
constexpr std::size_t kBlobSize = 256 * 1024;

int WriteNumbered(registry::RegistryKey& key, const std::string& prefix, int count) {
  for (int i = 0; i < count; ++i) {
    if (key.WriteDword(prefix + std::to_string(i), static_cast<DWORD>(i)) != ERROR_SUCCESS) {
      return 1;
    }
  }
  return 0;
}

// Each round changes several things in separate transactions: a large value that must never be
// seen half-written, a subkey made and another deleted, then the round's number.
int WriteForever(registry::RegistryKey& key) {
  for (DWORD round = 0;; ++round) {
    const std::vector<BYTE> blob(kBlobSize, static_cast<BYTE>(round & 0xFF));
    const std::string made = "Item" + std::to_string(round % 4);
    const std::string dropped = "Item" + std::to_string((round + 2) % 4);
    registry::RegistryKey item;
    if (key.WriteBinary("Blob", blob) != ERROR_SUCCESS ||
        item.Create(key.Handle(), made) != ERROR_SUCCESS ||
        item.WriteDword("Round", round) != ERROR_SUCCESS) {
      return 1;
    }
    const LONG deleted = key.DeleteTree(dropped);
    if ((deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) ||
        key.WriteDword("Counter", round) != ERROR_SUCCESS) {
      return 1;
    }
    std::printf("%u\n", round);
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  registry::RegistryKey key;
  if (key.Create(HKEY_CURRENT_USER, argv[1]) != ERROR_SUCCESS) return 1;
  if (argc == 3 && std::string(argv[2]) == "loop") return WriteForever(key);
  if (argc == 4) return WriteNumbered(key, argv[2], std::atoi(argv[3]));
  return 2;
}
