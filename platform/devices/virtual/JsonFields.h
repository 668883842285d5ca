#pragma once
// Typed access to the fields of a JSON description with error messages that name the place
// ("devices[0].pins[1].name"). Internal to the description parser: errors are thrown as
// DescriptionError and caught by ParseDeviceDescriptions, so no exception leaves the parser.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "com/Guid.h"

namespace devices::json {

struct DescriptionError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& path, const std::string& message);

// An object being read, with its path for messages.
class Fields {
 public:
  Fields(const QJsonValue& value, std::string path);

  const std::string& Path() const { return path_; }
  std::string PathOf(const char* key) const { return path_ + "." + key; }
  bool Has(const char* key) const { return object_.contains(QLatin1String(key)); }
  // Fails on a key that is not in the list: catches typos in hand-written files.
  void AllowOnly(std::initializer_list<const char*> keys) const;

  std::string String(const char* key, const std::string& fallback) const;
  double Number(const char* key, double fallback) const;
  long Integer(const char* key, long fallback) const;
  bool Bool(const char* key, bool fallback) const;
  // The array field, empty when absent; fails when the field is not an array.
  QJsonArray Array(const char* key) const;
  QJsonValue Value(const char* key) const { return object_.value(QLatin1String(key)); }

 private:
  QJsonObject object_;
  std::string path_;
};

std::string ToString(const QJsonValue& value, const std::string& path);
long ToInteger(const QJsonValue& value, const std::string& path);

// A [width, height] pair.
struct Size {
  long width = 0;
  long height = 0;
};
Size ToSize(const QJsonValue& value, const std::string& path);

// "YUY2", "RGB24", "Overlay", any four characters as a FourCC, or a braced GUID.
GUID ParseSubtype(const std::string& text, const std::string& path);
// "Composite", "Audio Tuner", "SVideo", or the number.
long ParsePhysicalType(const QJsonValue& value, const std::string& path);
// "PAL_B", "NTSC M", ... one standard's bit.
long ParseStandard(const std::string& text, const std::string& path);
// A list of standards as a mask.
long ParseStandards(const QJsonValue& value, const std::string& path);

}  // namespace devices::json
