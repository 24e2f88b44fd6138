// The settings store under the Windows registry calls the library uses. Each root is a text file in the .reg
// syntax ("REGEDIT4", [key path] sections, "name"="text", "name"=dword:0000002a, @= for the default value, hex:
// and hex(n): for other types):
//   HKEY_CURRENT_USER   $XRDDATA_USER_REGISTRY, else ${XDG_CONFIG_HOME:-$HOME/.config}/xrddata/user.reg
//   HKEY_LOCAL_MACHINE  $XRDDATA_SYSTEM_REGISTRY, else /etc/xrddata/system.reg
//   HKEY_CLASSES_ROOT   Software\Classes of the user's file, then of the machine's (writes go to the user's)
// Key and value names compare without regard to ASCII case and keep the case they were created with; keys without
// values are kept. "Software" always exists under both files' roots.
// A file is parsed once per process and re-read only when it changed (path, inode, size or times); reads take no
// process-wide lock. Every change takes a lock file beside the store (<file>.lock), re-reads the file under it,
// writes a temporary file in the same folder, flushes it and renames it over the old one; a transaction
// (CRegistryTransaction) makes several changes one such replace. A file that does not parse (one that ends inside
// a dword or hex value without a line end counts as cut short) is moved aside (<file>.bad-<UTC time>) when it is first read, reported once
// on stderr with the line that failed and the new name, and reads as empty; it is never overwritten. Changes to
// a file or folder that cannot be written fail with an error code and leave the old file as it was.
#pragma once

#include <cstdint>

#include "xrddata/platform/types.h"

using REGSAM = DWORD;
using LSTATUS = LONG;

// The predefined roots, with the values they have on 64-bit Windows.
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000000))))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001))))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002))))

// Result codes (Win32 error numbers).
enum : LONG {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_MORE_DATA = 234,
    ERROR_NO_MORE_ITEMS = 259,
    ERROR_CANTWRITE = 1013,
    ERROR_KEY_DELETED = 1018,
};

// Value types.
enum : DWORD {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
    REG_QWORD = 11,
};

// Access rights of a key handle.
enum : REGSAM {
    KEY_QUERY_VALUE = 0x0001,
    KEY_SET_VALUE = 0x0002,
    KEY_CREATE_SUB_KEY = 0x0004,
    KEY_ENUMERATE_SUB_KEYS = 0x0008,
    KEY_READ = 0x20019,
    KEY_WRITE = 0x20006,
    KEY_ALL_ACCESS = 0xF003F,
};

enum : DWORD {
    REG_OPTION_NON_VOLATILE = 0,
    REG_CREATED_NEW_KEY = 1,
    REG_OPENED_EXISTING_KEY = 2,
};

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// One entry of RegQueryMultipleValues: the name going in; length, address of the data in the caller's buffer and
// type coming out.
struct VALENT {
    char* ve_valuename;
    DWORD ve_valuelen;
    std::uintptr_t ve_valueptr;
    DWORD ve_type;
};

// Opens subKey of hKey, creating it and any missing keys above it; an empty or null subKey gives a new handle to
// hKey itself. disposition (when given) tells whether the key was created.
XRDDATA_API LONG RegCreateKeyEx(HKEY hKey, const char* subKey, DWORD reserved, char* keyClass, DWORD options,
                                REGSAM access, void* securityAttributes, HKEY* result, DWORD* disposition);
// Opens an existing key (ERROR_FILE_NOT_FOUND when it does not exist).
XRDDATA_API LONG RegOpenKeyEx(HKEY hKey, const char* subKey, DWORD options, REGSAM access, HKEY* result);
XRDDATA_API LONG RegCloseKey(HKEY hKey);

// Reads a value (null or empty name: the default value). With data null only the type and the size are returned;
// a buffer smaller than the value gives ERROR_MORE_DATA and the size needed. Text values stored without their
// terminating zero get one appended when the buffer has room for it (the size returned does not count it).
XRDDATA_API LONG RegQueryValueEx(HKEY hKey, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                                 DWORD* cbData);
// Stores size bytes as the value (null or empty name: the default value). Names holding a line break are refused.
XRDDATA_API LONG RegSetValueEx(HKEY hKey, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                               DWORD cbData);

// The name of sub-key `index`, the sub-keys listed in case-insensitive alphabetical order; cchName is the buffer
// size in characters (ERROR_MORE_DATA when the name and its zero do not fit).
XRDDATA_API LONG RegEnumKey(HKEY hKey, DWORD index, char* name, DWORD cchName);

// Counts and longest lengths (names in characters without the zero, data in bytes); classes, security
// descriptors and write times are not kept and report 0.
XRDDATA_API LONG RegQueryInfoKey(HKEY hKey, char* keyClass, DWORD* cchClass, DWORD* reserved, DWORD* subKeys,
                                 DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values, DWORD* maxValueNameLen,
                                 DWORD* maxValueLen, DWORD* cbSecurityDescriptor, FILETIME* lastWriteTime);

// Reads several values into one buffer, one right after the other (so a DWORD may lie unaligned: copy it out).
// Fails with ERROR_FILE_NOT_FOUND when any is missing;
// with ERROR_MORE_DATA (and the size needed in totalSize) when they do not fit.
XRDDATA_API LONG RegQueryMultipleValues(HKEY hKey, VALENT* valList, DWORD numVals, char* valueBuf,
                                        DWORD* totalSize);

// While an object of this class lives, the calling thread's registry calls look at each file for changes only
// once (at the first call that needs it) and otherwise use the content as it was then: a group of reads, such as
// the eleven settings of a new pattern, costs one check of the file instead of one per call. Changes made by the
// thread itself are seen at once. Scopes nest.
class XRDDATA_API CRegistryReadScope {
public:
    CRegistryReadScope();
    ~CRegistryReadScope();
    CRegistryReadScope(const CRegistryReadScope&) = delete;
    CRegistryReadScope& operator=(const CRegistryReadScope&) = delete;
};

// The content of the user's file (HKEY_CURRENT_USER) as the calling thread's next read would see it, as a number
// (the file is checked as by any read): equal numbers mean equal content, so that a caller may keep what it
// derived from the content. 0 inside a transaction that holds the lock (the content changes with each change).
XRDDATA_API std::uint64_t RegistryUserContentSerial();

// While an object of this class lives, the calling thread's changes of the user's file (HKEY_CURRENT_USER and
// HKEY_CLASSES_ROOT) form one transaction: the file's lock is taken (at once, or with LockAtFirstChange at the
// first change), every change applies to the file as read under the lock, and Commit, or the end of the
// outermost object, replaces the file once with all of them. What the thread reads of the user's file while the
// lock is held is what its changes apply to, so that a read-modify-write inside one LockNow transaction loses
// no other writer's change. A change that cannot be written fails at once with its error. An exception that
// leaves the outermost object's scope drops the changes. Objects nest: inner ones join the outermost.
// Changes of HKEY_LOCAL_MACHINE are not part of it (each is written at once).
class XRDDATA_API CRegistryTransaction {
public:
    enum LockMode { LockNow, LockAtFirstChange };
    explicit CRegistryTransaction(LockMode mode = LockNow);
    ~CRegistryTransaction();
    CRegistryTransaction(const CRegistryTransaction&) = delete;
    CRegistryTransaction& operator=(const CRegistryTransaction&) = delete;

    // Ends this object's part: the outermost writes the changes and returns ERROR_SUCCESS or the first error of
    // a change in the transaction or of writing the file (which then stays as it was); a nested one returns the
    // first error so far. Later calls return ERROR_SUCCESS.
    LONG Commit();
    // Ends this object's part; the outermost drops the changes.
    void Rollback();

private:
    int m_uncaught;
    bool m_open = true;
};
