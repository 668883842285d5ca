#include "devices/virtual/JsonFields.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "dshow/AnalogInterfaces.h"
#include "dshow/Uuids.h"

namespace devices::json {
namespace {

// Lower case without spaces, underscores and hyphens: "Audio Tuner" and "audio_tuner" match.
std::string Normalised(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (c == ' ' || c == '_' || c == '-') continue;
    result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return result;
}

const char* TypeName(const QJsonValue& value) {
  switch (value.type()) {
    case QJsonValue::Null:
      return "null";
    case QJsonValue::Bool:
      return "a boolean";
    case QJsonValue::Double:
      return "a number";
    case QJsonValue::String:
      return "a string";
    case QJsonValue::Array:
      return "an array";
    case QJsonValue::Object:
      return "an object";
    case QJsonValue::Undefined:
      break;
  }
  return "nothing";
}

struct NamedValue {
  const char* name;
  long value;
};

const NamedValue kPhysicalTypes[] = {
    {"Tuner", PhysConn_Video_Tuner},
    {"Composite", PhysConn_Video_Composite},
    {"SVideo", PhysConn_Video_SVideo},
    {"RGB", PhysConn_Video_RGB},
    {"YRYBY", PhysConn_Video_YRYBY},
    {"SerialDigital", PhysConn_Video_SerialDigital},
    {"ParallelDigital", PhysConn_Video_ParallelDigital},
    {"SCSI", PhysConn_Video_SCSI},
    {"AUX", PhysConn_Video_AUX},
    {"1394", PhysConn_Video_1394},
    {"USB", PhysConn_Video_USB},
    {"VideoDecoder", PhysConn_Video_VideoDecoder},
    {"VideoEncoder", PhysConn_Video_VideoEncoder},
    {"SCART", PhysConn_Video_SCART},
    {"Black", PhysConn_Video_Black},
    {"AudioTuner", PhysConn_Audio_Tuner},
    {"AudioLine", PhysConn_Audio_Line},
    {"AudioMic", PhysConn_Audio_Mic},
    {"AudioAESDigital", PhysConn_Audio_AESDigital},
    {"AudioSPDIFDigital", PhysConn_Audio_SPDIFDigital},
    {"AudioSCSI", PhysConn_Audio_SCSI},
    {"AudioAUX", PhysConn_Audio_AUX},
    {"Audio1394", PhysConn_Audio_1394},
    {"AudioUSB", PhysConn_Audio_USB},
    {"AudioDecoder", PhysConn_Audio_AudioDecoder},
};

const NamedValue kStandards[] = {
    {"NTSC_M", AnalogVideo_NTSC_M},     {"NTSC_M_J", AnalogVideo_NTSC_M_J},
    {"NTSC_433", AnalogVideo_NTSC_433}, {"PAL_B", AnalogVideo_PAL_B},
    {"PAL_D", AnalogVideo_PAL_D},       {"PAL_G", AnalogVideo_PAL_G},
    {"PAL_H", AnalogVideo_PAL_H},       {"PAL_I", AnalogVideo_PAL_I},
    {"PAL_M", AnalogVideo_PAL_M},       {"PAL_N", AnalogVideo_PAL_N},
    {"PAL_60", AnalogVideo_PAL_60},     {"SECAM_B", AnalogVideo_SECAM_B},
    {"SECAM_D", AnalogVideo_SECAM_D},   {"SECAM_G", AnalogVideo_SECAM_G},
    {"SECAM_H", AnalogVideo_SECAM_H},   {"SECAM_K", AnalogVideo_SECAM_K},
    {"SECAM_K1", AnalogVideo_SECAM_K1}, {"SECAM_L", AnalogVideo_SECAM_L},
    {"SECAM_L1", AnalogVideo_SECAM_L1}, {"PAL_N_COMBO", AnalogVideo_PAL_N_COMBO},
};

struct NamedGuid {
  const char* name;
  GUID guid;
};

const NamedGuid kNamedSubtypes[] = {
    {"RGB1", MEDIASUBTYPE_RGB1},       {"RGB4", MEDIASUBTYPE_RGB4},
    {"RGB8", MEDIASUBTYPE_RGB8},       {"RGB565", MEDIASUBTYPE_RGB565},
    {"RGB555", MEDIASUBTYPE_RGB555},   {"RGB24", MEDIASUBTYPE_RGB24},
    {"RGB32", MEDIASUBTYPE_RGB32},     {"ARGB32", MEDIASUBTYPE_ARGB32},
    {"Overlay", MEDIASUBTYPE_Overlay},
};

template <std::size_t N>
const NamedValue* FindNamed(const NamedValue (&table)[N], const std::string& text) {
  const std::string wanted = Normalised(text);
  for (const NamedValue& entry : table) {
    if (Normalised(entry.name) == wanted) return &entry;
  }
  return nullptr;
}

}  // namespace

void Fail(const std::string& path, const std::string& message) {
  throw DescriptionError(path + ": " + message);
}

Fields::Fields(const QJsonValue& value, std::string path) : path_(std::move(path)) {
  if (!value.isObject()) Fail(path_, std::string("expected an object, found ") + TypeName(value));
  object_ = value.toObject();
}

void Fields::AllowOnly(std::initializer_list<const char*> keys) const {
  for (const QString& key : object_.keys()) {
    const bool known = std::any_of(keys.begin(), keys.end(), [&](const char* allowed) {
      return key == QLatin1String(allowed);
    });
    if (!known) Fail(path_, "unknown field \"" + key.toStdString() + "\"");
  }
}

std::string Fields::String(const char* key, const std::string& fallback) const {
  return Has(key) ? ToString(Value(key), PathOf(key)) : fallback;
}

double Fields::Number(const char* key, double fallback) const {
  if (!Has(key)) return fallback;
  const QJsonValue value = Value(key);
  if (!value.isDouble())
    Fail(PathOf(key), std::string("expected a number, found ") + TypeName(value));
  return value.toDouble();
}

long Fields::Integer(const char* key, long fallback) const {
  return Has(key) ? ToInteger(Value(key), PathOf(key)) : fallback;
}

bool Fields::Bool(const char* key, bool fallback) const {
  if (!Has(key)) return fallback;
  const QJsonValue value = Value(key);
  if (!value.isBool())
    Fail(PathOf(key), std::string("expected true or false, found ") + TypeName(value));
  return value.toBool();
}

QJsonArray Fields::Array(const char* key) const {
  if (!Has(key)) return {};
  const QJsonValue value = Value(key);
  if (!value.isArray())
    Fail(PathOf(key), std::string("expected an array, found ") + TypeName(value));
  return value.toArray();
}

std::string ToString(const QJsonValue& value, const std::string& path) {
  if (!value.isString()) Fail(path, std::string("expected a string, found ") + TypeName(value));
  return value.toString().toStdString();
}

long ToInteger(const QJsonValue& value, const std::string& path) {
  const double number = value.toDouble();
  if (!value.isDouble() || std::floor(number) != number || std::fabs(number) > 2147483647.0) {
    Fail(path, std::string("expected an integer, found ") + TypeName(value));
  }
  return static_cast<long>(number);
}

Size ToSize(const QJsonValue& value, const std::string& path) {
  const QJsonArray pair = value.toArray();
  if (!value.isArray() || pair.size() != 2) Fail(path, "expected [width, height]");
  Size size{ToInteger(pair[0], path + "[0]"), ToInteger(pair[1], path + "[1]")};
  if (size.width < 0 || size.height < 0) Fail(path, "a size cannot be negative");
  return size;
}

GUID ParseSubtype(const std::string& text, const std::string& path) {
  for (const NamedGuid& entry : kNamedSubtypes) {
    if (Normalised(entry.name) == Normalised(text)) return entry.guid;
  }
  if (text.size() == 4) return FourCCGuid(MakeFourCC(text[0], text[1], text[2], text[3]));
  if (auto guid = ParseGuid(text)) return *guid;
  Fail(path, "unknown subtype \"" + text + "\" (a name, a FourCC or a braced GUID)");
}

long ParsePhysicalType(const QJsonValue& value, const std::string& path) {
  if (value.isDouble()) return ToInteger(value, path);
  const std::string text = ToString(value, path);
  if (const NamedValue* entry = FindNamed(kPhysicalTypes, text)) return entry->value;
  Fail(path, "unknown physical connector \"" + text + "\"");
}

long ParseStandard(const std::string& text, const std::string& path) {
  if (const NamedValue* entry = FindNamed(kStandards, text)) return entry->value;
  Fail(path, "unknown analog video standard \"" + text + "\"");
}

long ParseStandards(const QJsonValue& value, const std::string& path) {
  if (!value.isArray()) Fail(path, "expected an array of standards");
  long mask = 0;
  const QJsonArray names = value.toArray();
  for (qsizetype i = 0; i < names.size(); ++i) {
    const std::string itemPath = path + "[" + std::to_string(i) + "]";
    mask |= ParseStandard(ToString(names[i], itemPath), itemPath);
  }
  return mask;
}

}  // namespace devices::json
