#pragma once
// Result codes. A result is a success when its top bit is clear.

#include <string>

#include "com/Types.h"

using HRESULT = std::int32_t;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

constexpr HRESULT MakeHResult(std::uint32_t value) { return static_cast<HRESULT>(value); }

// Win32 error codes, as the registry functions return them.
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_PATH_NOT_FOUND = 3;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_OUTOFMEMORY = 14;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_NOT_FOUND = 1168;
inline constexpr LONG ERROR_SET_NOT_FOUND = 1170;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr HRESULT HRESULT_FROM_WIN32(LONG error) {
  return error <= 0 ? static_cast<HRESULT>(error)
                    : MakeHResult((static_cast<std::uint32_t>(error) & 0xFFFFu) | 0x80070000u);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
inline constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
inline constexpr HRESULT E_HANDLE = MakeHResult(0x80070006);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);
inline constexpr HRESULT E_PROP_ID_UNSUPPORTED = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
inline constexpr HRESULT E_PROP_SET_UNSUPPORTED = HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = MakeHResult(0x800401F0);
inline constexpr HRESULT CO_E_DLLNOTFOUND = MakeHResult(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = MakeHResult(0x800401F9);
inline constexpr HRESULT SELFREG_E_CLASS = MakeHResult(0x80040201);

inline constexpr HRESULT STG_E_INVALIDFUNCTION = MakeHResult(0x80030001);
inline constexpr HRESULT STG_E_INVALIDPOINTER = MakeHResult(0x80030009);
inline constexpr HRESULT STG_E_MEDIUMFULL = MakeHResult(0x80030070);
inline constexpr HRESULT STG_E_INVALIDPARAMETER = MakeHResult(0x80030057);

// The media framework's codes.
inline constexpr HRESULT VFW_S_NO_MORE_ITEMS = MakeHResult(0x00040103);
inline constexpr HRESULT VFW_S_DUPLICATE_NAME = MakeHResult(0x0004022D);
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = MakeHResult(0x00040237);
inline constexpr HRESULT VFW_S_PARTIAL_RENDER = MakeHResult(0x00040242);
inline constexpr HRESULT VFW_S_SOME_DATA_IGNORED = MakeHResult(0x00040245);
inline constexpr HRESULT VFW_S_CONNECTIONS_DEFERRED = MakeHResult(0x00040246);
inline constexpr HRESULT VFW_S_CANT_CUE = MakeHResult(0x00040268);
inline constexpr HRESULT VFW_S_NO_STOP_TIME = MakeHResult(0x00040270);
inline constexpr HRESULT VFW_S_NOPREVIEWPIN = MakeHResult(0x0004027E);

inline constexpr HRESULT VFW_E_INVALIDMEDIATYPE = MakeHResult(0x80040200);
inline constexpr HRESULT VFW_E_INVALIDSUBTYPE = MakeHResult(0x80040201);
inline constexpr HRESULT VFW_E_NEED_OWNER = MakeHResult(0x80040202);
inline constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = MakeHResult(0x80040203);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeHResult(0x80040204);
inline constexpr HRESULT VFW_E_FILTER_ACTIVE = MakeHResult(0x80040205);
inline constexpr HRESULT VFW_E_NO_TYPES = MakeHResult(0x80040206);
inline constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = MakeHResult(0x80040207);
inline constexpr HRESULT VFW_E_INVALID_DIRECTION = MakeHResult(0x80040208);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHResult(0x80040209);
inline constexpr HRESULT VFW_E_NO_ALLOCATOR = MakeHResult(0x8004020A);
inline constexpr HRESULT VFW_E_RUNTIME_ERROR = MakeHResult(0x8004020B);
inline constexpr HRESULT VFW_E_BUFFER_NOTSET = MakeHResult(0x8004020C);
inline constexpr HRESULT VFW_E_BUFFER_OVERFLOW = MakeHResult(0x8004020D);
inline constexpr HRESULT VFW_E_BADALIGN = MakeHResult(0x8004020E);
inline constexpr HRESULT VFW_E_ALREADY_COMMITTED = MakeHResult(0x8004020F);
inline constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = MakeHResult(0x80040210);
inline constexpr HRESULT VFW_E_NOT_COMMITTED = MakeHResult(0x80040211);
inline constexpr HRESULT VFW_E_SIZENOTSET = MakeHResult(0x80040212);
inline constexpr HRESULT VFW_E_NO_CLOCK = MakeHResult(0x80040213);
inline constexpr HRESULT VFW_E_NO_SINK = MakeHResult(0x80040214);
inline constexpr HRESULT VFW_E_NO_INTERFACE = MakeHResult(0x80040215);
inline constexpr HRESULT VFW_E_NOT_FOUND = MakeHResult(0x80040216);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeHResult(0x80040217);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = MakeHResult(0x80040218);
inline constexpr HRESULT VFW_E_CHANGING_FORMAT = MakeHResult(0x80040219);
inline constexpr HRESULT VFW_E_NOT_OVERLAY_CONNECTION = MakeHResult(0x8004021B);
inline constexpr HRESULT VFW_E_STATE_CHANGED = MakeHResult(0x80040223);
inline constexpr HRESULT VFW_E_NOT_STOPPED = MakeHResult(0x80040224);
inline constexpr HRESULT VFW_E_NOT_PAUSED = MakeHResult(0x80040225);
inline constexpr HRESULT VFW_E_NOT_RUNNING = MakeHResult(0x80040226);
inline constexpr HRESULT VFW_E_WRONG_STATE = MakeHResult(0x80040227);
inline constexpr HRESULT VFW_E_START_TIME_AFTER_END = MakeHResult(0x80040228);
inline constexpr HRESULT VFW_E_INVALID_RECT = MakeHResult(0x80040229);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = MakeHResult(0x8004022A);
inline constexpr HRESULT VFW_E_SAMPLE_REJECTED = MakeHResult(0x8004022B);
inline constexpr HRESULT VFW_E_SAMPLE_REJECTED_EOS = MakeHResult(0x8004022C);
inline constexpr HRESULT VFW_E_DUPLICATE_NAME = MakeHResult(0x8004022D);
inline constexpr HRESULT VFW_E_TIMEOUT = MakeHResult(0x8004022E);
inline constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = MakeHResult(0x8004022F);
inline constexpr HRESULT VFW_E_ENUM_OUT_OF_RANGE = MakeHResult(0x80040230);
inline constexpr HRESULT VFW_E_CIRCULAR_GRAPH = MakeHResult(0x80040231);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = MakeHResult(0x80040240);
inline constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = MakeHResult(0x80040241);
inline constexpr HRESULT VFW_E_FILE_TOO_SHORT = MakeHResult(0x80040243);
inline constexpr HRESULT VFW_E_INVALID_FILE_VERSION = MakeHResult(0x80040244);
inline constexpr HRESULT VFW_E_INVALID_CLSID = MakeHResult(0x80040247);
inline constexpr HRESULT VFW_E_INVALID_MEDIA_TYPE = MakeHResult(0x80040248);
inline constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = MakeHResult(0x80040249);
inline constexpr HRESULT VFW_E_MEDIA_TIME_NOT_SET = MakeHResult(0x80040251);
inline constexpr HRESULT VFW_E_NO_TIME_FORMAT_SET = MakeHResult(0x80040252);
inline constexpr HRESULT VFW_E_NO_AUDIO_HARDWARE = MakeHResult(0x80040256);
inline constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = MakeHResult(0x80040265);

// Text for diagnostics: the code's name when it is one of the above, else hexadecimal.
std::string HResultText(HRESULT hr);
