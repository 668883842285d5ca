#pragma once
// The settings store as a C API of keys and typed values, returning Win32 error codes.
//
// Two roots, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT, live in one SQLite database file:
// $RUDOZAV_REGISTRY, else $XDG_CONFIG_HOME/rudozav/registry.db, else ~/.config/rudozav/registry.db.
// The variable is read each time a root is used, so a handle opened later may see another file.
//
// Key paths separate names with "\"; empty parts (a leading, trailing or doubled "\") are ignored.
// Key and value names match without regard to ASCII case and keep the case they were created
// with. Strings are UTF-8; REG_SZ data includes its terminating zero when the writer gave one.
// Every change is one transaction, safe against concurrent writers in other processes and against
// a process killed in the middle. Reads of a missing database find nothing and create no file.
//
// Any thread may call these functions. A handle may be used from several threads; closing it
// while another thread uses it is the caller's fault. After fork() the child must not use handles
// opened by the parent.

#include <cstdint>

#include "com/HResult.h"
#include "com/Types.h"

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;

// The predefined roots; closing them does nothing.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000u});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u});

// Value types. Other type numbers are stored and returned as given.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

// Access rights. A handle without KEY_SET_VALUE or KEY_CREATE_SUB_KEY cannot change anything.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
// Dispositions of RegCreateKeyEx.
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Longest key name (one part of a path) and value name, in bytes.
inline constexpr DWORD kMaxKeyNameLength = 255;
inline constexpr DWORD kMaxValueNameLength = 16383;

// Opens an existing key below key (subKey null or empty: the key itself). ERROR_FILE_NOT_FOUND
// when it does not exist. The result must be closed with RegCloseKey.
LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);

// Opens the key, creating it and any missing parents in one transaction. disposition (may be
// null) receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. keyClass and security are
// ignored.
LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD reserved, char* keyClass, DWORD options,
                    REGSAM access, const void* security, HKEY* result, DWORD* disposition);

LONG RegCloseKey(HKEY key);

// Reads a value (name null or empty: the key's default value). data null: only the type and the
// size in *dataSize. A buffer smaller than the data gives ERROR_MORE_DATA with the size needed.
LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                     DWORD* dataSize);

// Writes a value of any type; REG_DWORD needs exactly 4 bytes.
LONG RegSetValueEx(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                   DWORD dataSize);

LONG RegDeleteValue(HKEY key, const char* valueName);

// Deletes subKey, which must have no subkeys of its own (else ERROR_ACCESS_DENIED).
LONG RegDeleteKey(HKEY key, const char* subKey);

// subKey given: deletes it with all its values and subkeys. subKey null or empty: deletes the
// values and subkeys of key itself and keeps the key.
LONG RegDeleteTree(HKEY key, const char* subKey);

// Deletes subKey, its values and all its subkeys (subKey must name a key below key).
LONG SHDeleteKey(HKEY key, const char* subKey);

// Subkey number index, in case-insensitive name order. *nameSize is the buffer size in bytes on
// entry and the name's length without the terminating zero on return; ERROR_MORE_DATA when the
// name and its zero do not fit. ERROR_NO_MORE_ITEMS past the end. keyClass gets an empty text;
// lastWriteTime is not kept and is left untouched.
LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                  char* keyClass, DWORD* classSize, void* lastWriteTime);

// Value number index, in the order the values were first written. Name as for RegEnumKeyEx,
// type and data as for RegQueryValueEx.
LONG RegEnumValue(HKEY key, DWORD index, char* valueName, DWORD* valueNameSize, DWORD* reserved,
                  DWORD* type, BYTE* data, DWORD* dataSize);

// Counts and longest lengths (in bytes, without terminating zeros) of the key's subkeys and
// values. Every output may be null.
LONG RegQueryInfoKey(HKEY key, char* keyClass, DWORD* classSize, DWORD* reserved, DWORD* subKeys,
                     DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values,
                     DWORD* maxValueNameLength, DWORD* maxValueLength, void* security,
                     void* lastWriteTime);

// Changes are on disk when each call returns; kept for callers that ask.
LONG RegFlushKey(HKEY key);
