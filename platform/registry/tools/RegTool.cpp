// regtool: looks into the settings store and changes it from the command line.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "registry/RegistryKey.h"
#include "registry/RegistryLocation.h"
#include "registry/tools/ValueText.h"

namespace {

constexpr const char* kUsage =
    "usage: regtool [--db FILE] COMMAND ARGUMENTS\n"
    "\n"
    "  list KEY                        the subkeys (ending in \\) and values of KEY\n"
    "  get KEY VALUE                   the data of a value\n"
    "  set KEY VALUE TYPE DATA         writes a value, creating KEY when missing; TYPE is\n"
    "                                  dword (decimal or 0x hex), sz, expand_sz,\n"
    "                                  binary (hex bytes, e.g. \"01 ff 3e\") or float (8-byte "
    "binary)\n"
    "  delete KEY [VALUE]              deletes a value, or KEY with everything below it\n"
    "  export [KEY]                    KEY and everything below it as text (default: all)\n"
    "\n"
    "KEY is a path such as HKCU\\Software\\RavorOderiri; the roots are HKCU (HKEY_CURRENT_USER)\n"
    "and HKCR (HKEY_CLASSES_ROOT), and a path without a root is under HKCU. An empty VALUE (\"\")\n"
    "is the key's default value. The store is FILE, else $RUDOZAV_REGISTRY, else\n"
    "$XDG_CONFIG_HOME/rudozav/registry.db (~/.config/rudozav/registry.db).\n";

constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

struct KeyName {
  HKEY root = HKEY_CURRENT_USER;
  std::string rootName = "HKCU";
  std::string path;  // below the root, names joined by "\"

  std::string Full() const { return path.empty() ? rootName : rootName + "\\" + path; }
};

KeyName ParseKey(std::string_view text) {
  KeyName key;
  auto parts = registry::SplitKeyPath(text);
  if (!parts.empty()) {
    const std::string first = registry::FoldName(parts.front());
    if (first == "hkcr" || first == "hkey_classes_root") {
      key.root = HKEY_CLASSES_ROOT;
      key.rootName = "HKCR";
      parts.erase(parts.begin());
    } else if (first == "hkcu" || first == "hkey_current_user") {
      parts.erase(parts.begin());
    }
  }
  for (const auto name : parts) {
    key.path += (key.path.empty() ? "" : "\\") + std::string(name);
  }
  return key;
}

std::string ErrorText(LONG error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return "not found";
    case ERROR_ACCESS_DENIED:
      return "access denied";
    case ERROR_INVALID_PARAMETER:
      return "invalid name or data";
    case ERROR_BADDB:
      return "the database is damaged";
    case ERROR_CANTREAD:
      return "cannot read the database";
    case ERROR_CANTWRITE:
      return "cannot write the database";
    default:
      return "error " + std::to_string(error);
  }
}

int Fail(const std::string& what, LONG error) {
  std::fprintf(stderr, "regtool: %s: %s\n", what.c_str(), ErrorText(error).c_str());
  return kFailed;
}

int List(const KeyName& name) {
  registry::RegistryKey key;
  if (const LONG error = key.Open(name.root, name.path); error != ERROR_SUCCESS) {
    return Fail(name.Full(), error);
  }
  for (const auto& subKey : key.SubKeyNames()) {
    std::printf("%s\\\n", subKey.c_str());
  }
  for (const auto& value : key.Values()) {
    std::printf("%s\n", regtool::ValueLine(value).c_str());
  }
  return 0;
}

int Get(const KeyName& name, const std::string& valueName) {
  registry::RegistryKey key;
  registry::RegistryValue value;
  LONG error = key.Open(name.root, name.path);
  if (error == ERROR_SUCCESS) error = key.Query(valueName, &value);
  if (error != ERROR_SUCCESS) return Fail(name.Full() + " \"" + valueName + "\"", error);
  std::printf("%s\n", regtool::DataText(value).c_str());
  return 0;
}

int Set(const KeyName& name, const std::string& valueName, std::string_view type,
        std::string_view text) {
  DWORD regType = REG_NONE;
  std::vector<BYTE> data;
  std::string problem;
  if (!regtool::ParseData(type, text, &regType, &data, &problem)) {
    std::fprintf(stderr, "regtool: %s\n", problem.c_str());
    return kBadUsage;
  }
  registry::RegistryKey key;
  LONG error = key.Create(name.root, name.path, KEY_ALL_ACCESS);
  if (error == ERROR_SUCCESS) error = key.Write(valueName, regType, data);
  return error == ERROR_SUCCESS ? 0 : Fail(name.Full() + " \"" + valueName + "\"", error);
}

int DeleteValue(const KeyName& name, const std::string& valueName) {
  registry::RegistryKey key;
  LONG error = key.Open(name.root, name.path, KEY_ALL_ACCESS);
  if (error == ERROR_SUCCESS) error = key.DeleteValue(valueName);
  return error == ERROR_SUCCESS ? 0 : Fail(name.Full() + " \"" + valueName + "\"", error);
}

int DeleteKey(const KeyName& name) {
  if (name.path.empty()) {
    std::fprintf(stderr, "regtool: a root cannot be deleted\n");
    return kBadUsage;
  }
  const LONG error = SHDeleteKey(name.root, name.path.c_str());
  return error == ERROR_SUCCESS ? 0 : Fail(name.Full(), error);
}

void ExportTree(const registry::RegistryKey& key, const std::string& fullName) {
  std::printf("[%s]\n", fullName.c_str());
  for (const auto& value : key.Values()) {
    std::printf("  %s\n", regtool::ValueLine(value).c_str());
  }
  for (const auto& subKeyName : key.SubKeyNames()) {
    registry::RegistryKey subKey;
    // A subkey deleted since the listing is simply left out.
    if (subKey.Open(key.Handle(), subKeyName) == ERROR_SUCCESS) {
      ExportTree(subKey, fullName + "\\" + subKeyName);
    }
  }
}

int Export(const KeyName& name) {
  registry::RegistryKey key;
  const LONG error = key.Open(name.root, name.path);
  // An empty store has empty roots.
  if (error == ERROR_FILE_NOT_FOUND && name.path.empty()) return 0;
  if (error != ERROR_SUCCESS) return Fail(name.Full(), error);
  ExportTree(key, name.Full());
  return 0;
}

int Usage() {
  std::fputs(kUsage, stderr);
  return kBadUsage;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Usage();
  const std::string& command = args[0];
  const std::size_t count = args.size() - 1;
  if (command == "list" && count == 1) return List(ParseKey(args[1]));
  if (command == "get" && count == 2) return Get(ParseKey(args[1]), args[2]);
  if (command == "set" && count == 4) return Set(ParseKey(args[1]), args[2], args[3], args[4]);
  if (command == "delete" && count == 2) return DeleteValue(ParseKey(args[1]), args[2]);
  if (command == "delete" && count == 1) return DeleteKey(ParseKey(args[1]));
  if (command == "export" && count == 1) return Export(ParseKey(args[1]));
  if (command == "export" && count == 0) {
    const int classes = Export(ParseKey("HKCR"));
    const int user = Export(ParseKey("HKCU"));
    return classes != 0 ? classes : user;
  }
  if (command == "help" || command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "--db") {
    // The store functions read the variable at each use.
    setenv("RUDOZAV_REGISTRY", args[1].c_str(), 1);
    args.erase(args.begin(), args.begin() + 2);
  }
  return Run(args);
}
