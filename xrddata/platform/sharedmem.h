// Named blocks of shared memory that another process opens by name (POSIX shm_open/mmap; a block "Name" appears
// as /dev/shm/Name). The process that creates a block owns its name: the name is removed when that handle is
// closed, and at the latest when the process ends normally, so no name outlives its creator. Processes that still
// have the block open keep their views. Blocks carry no synchronisation.
#pragma once

#include <cstddef>

#include "xrddata/platform/types.h"

namespace xrddata::platform {

// Creates the block `name` (letters, digits and punctuation other than '/') of `bytes` bytes, all zero, readable
// and writable by the user's processes. Returns null when a block of that name already exists, when bytes is 0,
// or when the memory cannot be reserved.
XRDDATA_API HANDLE CreateSharedBlock(const char* name, size_t bytes);
// Opens an existing block by name; null when there is none.
XRDDATA_API HANDLE OpenSharedBlock(const char* name);
// The block's size in bytes (0 for a null handle).
XRDDATA_API size_t GetSharedBlockSize(HANDLE h);
// Maps the whole block read-write; null on failure. Release with UnmapSharedBlock(view, GetSharedBlockSize(h)).
XRDDATA_API void* MapSharedBlock(HANDLE h);
XRDDATA_API void UnmapSharedBlock(void* view, size_t bytes);
// Closes the handle (null is fine); the creating handle also removes the name.
XRDDATA_API void CloseSharedBlock(HANDLE h);

// One block opened or created by name and mapped whole, released on destruction.
class XRDDATA_API CSharedBlock {
public:
    CSharedBlock() = default;
    ~CSharedBlock();
    CSharedBlock(const CSharedBlock&) = delete;
    CSharedBlock& operator=(const CSharedBlock&) = delete;

    BOOL Create(const char* name, size_t bytes);
    BOOL Open(const char* name);
    void Close();

    BOOL IsOpen() const { return m_pView != nullptr; }
    void* GetData() const { return m_pView; }
    size_t GetSize() const { return m_nBytes; }

private:
    BOOL Attach(HANDLE h);

    HANDLE m_hBlock = nullptr;
    void* m_pView = nullptr;
    size_t m_nBytes = 0;
};

}  // namespace xrddata::platform
