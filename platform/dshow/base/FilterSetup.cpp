#include "dshow/base/FilterSetup.h"

#include "dshow/Uuids.h"
#include "registry/RegistryKey.h"

namespace {

using registry::RegistryKey;

std::string ClassKeyPath(REFCLSID clsid) {
  return "CLSID\\" + StringFromCLSID(clsid);
}

std::string InstanceKeyPath(REFCLSID clsid) {
  return ClassKeyPath(CLSID_LegacyAmFilterCategory) + "\\Instance\\" + StringFromCLSID(clsid);
}

GUID ReadGuid(const RegistryKey& key, std::string_view name) {
  return ParseGuid(key.ReadString(name).value_or("")).value_or(GUID_NULL);
}

bool WritePin(RegistryKey& instance, const FilterPinSetup& pin) {
  RegistryKey key;
  if (key.Create(instance.Handle(), "Pins\\" + pin.name) != ERROR_SUCCESS) return false;
  bool ok = key.WriteDword("Output", pin.isOutput ? 1 : 0) == ERROR_SUCCESS &&
            key.WriteDword("Rendered", pin.isRendered ? 1 : 0) == ERROR_SUCCESS &&
            key.WriteDword("Zero", pin.allowedZero ? 1 : 0) == ERROR_SUCCESS &&
            key.WriteDword("Many", pin.allowedMany ? 1 : 0) == ERROR_SUCCESS;
  for (std::size_t i = 0; ok && i < pin.mediaTypes.size(); ++i) {
    RegistryKey type;
    ok = type.Create(key.Handle(), "Types\\" + std::to_string(i)) == ERROR_SUCCESS &&
         type.WriteString("MajorType", StringFromGUID(pin.mediaTypes[i].majorType)) ==
             ERROR_SUCCESS &&
         type.WriteString("SubType", StringFromGUID(pin.mediaTypes[i].subType)) == ERROR_SUCCESS;
  }
  return ok;
}

FilterPinSetup ReadPin(const RegistryKey& pins, const std::string& name) {
  FilterPinSetup pin;
  pin.name = name;
  RegistryKey key;
  if (key.Open(pins.Handle(), name) != ERROR_SUCCESS) return pin;
  pin.isOutput = key.ReadDword("Output").value_or(0) != 0;
  pin.isRendered = key.ReadDword("Rendered").value_or(0) != 0;
  pin.allowedZero = key.ReadDword("Zero").value_or(0) != 0;
  pin.allowedMany = key.ReadDword("Many").value_or(0) != 0;
  for (std::size_t i = 0;; ++i) {
    RegistryKey type;
    if (type.Open(key.Handle(), "Types\\" + std::to_string(i)) != ERROR_SUCCESS) break;
    pin.mediaTypes.push_back({ReadGuid(type, "MajorType"), ReadGuid(type, "SubType")});
  }
  return pin;
}

}  // namespace

HRESULT RegisterFilterServer(const FilterSetup& setup, const std::string& modulePath) {
  (void)UnregisterFilterServer(setup.clsid);  // nothing of an older registration stays
  RegistryKey server;
  RegistryKey classKey;
  RegistryKey instance;
  bool ok = classKey.Create(HKEY_CLASSES_ROOT, ClassKeyPath(setup.clsid)) == ERROR_SUCCESS &&
            classKey.WriteString("", setup.name) == ERROR_SUCCESS &&
            server.Create(classKey.Handle(), "InprocServer32") == ERROR_SUCCESS &&
            server.WriteString("", modulePath) == ERROR_SUCCESS &&
            server.WriteString("ThreadingModel", "Both") == ERROR_SUCCESS &&
            instance.Create(HKEY_CLASSES_ROOT, InstanceKeyPath(setup.clsid)) == ERROR_SUCCESS &&
            instance.WriteString("FriendlyName", setup.name) == ERROR_SUCCESS &&
            instance.WriteString("CLSID", StringFromCLSID(setup.clsid)) == ERROR_SUCCESS &&
            instance.WriteDword("Merit", setup.merit) == ERROR_SUCCESS;
  for (const FilterPinSetup& pin : setup.pins)
    ok = ok && WritePin(instance, pin);
  return ok ? S_OK : E_ACCESSDENIED;
}

HRESULT UnregisterFilterServer(REFCLSID clsid) {
  RegistryKey root;
  if (root.Open(HKEY_CLASSES_ROOT, "", KEY_ALL_ACCESS) != ERROR_SUCCESS) return S_OK;
  for (const std::string& path : {InstanceKeyPath(clsid), ClassKeyPath(clsid)}) {
    const LONG result = root.DeleteTree(path);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return E_ACCESSDENIED;
  }
  return S_OK;
}

std::optional<FilterSetup> ReadFilterRegistration(REFCLSID clsid) {
  RegistryKey instance;
  if (instance.Open(HKEY_CLASSES_ROOT, InstanceKeyPath(clsid)) != ERROR_SUCCESS) return {};
  FilterSetup setup;
  setup.clsid = clsid;
  setup.name = instance.ReadString("FriendlyName").value_or("");
  setup.merit = instance.ReadDword("Merit").value_or(0);
  RegistryKey pins;
  if (pins.Open(instance.Handle(), "Pins") == ERROR_SUCCESS) {
    for (const std::string& name : pins.SubKeyNames())
      setup.pins.push_back(ReadPin(pins, name));
  }
  return setup;
}
