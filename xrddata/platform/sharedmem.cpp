#include "xrddata/platform/sharedmem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct SharedBlock {
    int fd = -1;
    size_t size = 0;
    std::string path;  // "/" + block name, as shm_open wants it
    pid_t creator = 0;  // the process that created the block and owns its name; 0 for an opened block
    bool unlinked = false;
};

// The blocks this process created and whose names it still owns. Kept so that a process ending normally removes
// the names of blocks it never closed (as the handles of an ending process vanish elsewhere). Never destroyed:
// handles may still be closed by destructors that run after the exit handler.
struct OwnedBlocks {
    std::mutex lock;
    std::set<SharedBlock*> blocks;
};

OwnedBlocks& Owned() {
    static OwnedBlocks* owned = new OwnedBlocks;
    return *owned;
}

// Removes the name of a block once, and only in the process that created it (a forked child inherits handles
// but not the names).
void UnlinkIfCreator(SharedBlock* b) {
    if (b->creator != 0 && b->creator == getpid() && !b->unlinked) {
        shm_unlink(b->path.c_str());
        b->unlinked = true;
    }
}

void UnlinkOwnedAtExit() {
    OwnedBlocks& owned = Owned();
    std::lock_guard<std::mutex> guard(owned.lock);
    for (SharedBlock* b : owned.blocks) UnlinkIfCreator(b);
}

bool ValidName(const char* name) { return name && *name && !std::strchr(name, '/'); }

// A block description for the name, not yet opened; null when memory runs out.
std::unique_ptr<SharedBlock> NewBlock(const char* name) {
    try {
        auto b = std::make_unique<SharedBlock>();
        b->path = std::string("/") + name;
        return b;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

namespace xrddata::platform {

HANDLE CreateSharedBlock(const char* name, size_t bytes) {
    if (!ValidName(name) || bytes == 0) return nullptr;
    if (bytes > static_cast<size_t>(std::numeric_limits<off_t>::max())) return nullptr;
    static const int registered = std::atexit(UnlinkOwnedAtExit);
    (void)registered;
    std::unique_ptr<SharedBlock> b = NewBlock(name);
    if (!b) return nullptr;
    // O_EXCL: a block of that name that already exists (ours or another process's) is a failure, never reused.
    b->fd = shm_open(b->path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (b->fd < 0) return nullptr;
    b->creator = getpid();
    b->size = bytes;
    // Reserve the pages now: a block larger than the memory available fails here rather than with a bus error
    // on first touch.
    if (posix_fallocate(b->fd, 0, static_cast<off_t>(bytes)) != 0) {
        shm_unlink(b->path.c_str());
        close(b->fd);
        return nullptr;
    }
    try {
        OwnedBlocks& owned = Owned();
        std::lock_guard<std::mutex> guard(owned.lock);
        owned.blocks.insert(b.get());
    } catch (const std::bad_alloc&) {
        shm_unlink(b->path.c_str());
        close(b->fd);
        return nullptr;
    }
    return b.release();
}

HANDLE OpenSharedBlock(const char* name) {
    if (!ValidName(name)) return nullptr;
    std::unique_ptr<SharedBlock> b = NewBlock(name);
    if (!b) return nullptr;
    b->fd = shm_open(b->path.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (b->fd < 0) return nullptr;
    struct stat st;
    if (fstat(b->fd, &st) != 0 || st.st_size < 0) {
        close(b->fd);
        return nullptr;
    }
    b->size = static_cast<size_t>(st.st_size);
    return b.release();
}

size_t GetSharedBlockSize(HANDLE h) { return h ? static_cast<SharedBlock*>(h)->size : 0; }

void* MapSharedBlock(HANDLE h) {
    auto* b = static_cast<SharedBlock*>(h);
    if (!b || b->size == 0) return nullptr;
    void* view = mmap(nullptr, b->size, PROT_READ | PROT_WRITE, MAP_SHARED, b->fd, 0);
    return view == MAP_FAILED ? nullptr : view;
}

void UnmapSharedBlock(void* view, size_t bytes) {
    if (view && bytes) munmap(view, bytes);
}

void CloseSharedBlock(HANDLE h) {
    auto* b = static_cast<SharedBlock*>(h);
    if (!b) return;
    if (b->creator != 0) {
        OwnedBlocks& owned = Owned();
        std::lock_guard<std::mutex> guard(owned.lock);
        UnlinkIfCreator(b);
        owned.blocks.erase(b);
    }
    close(b->fd);
    delete b;
}

CSharedBlock::~CSharedBlock() { Close(); }

BOOL CSharedBlock::Create(const char* name, size_t bytes) {
    Close();
    return Attach(CreateSharedBlock(name, bytes));
}

BOOL CSharedBlock::Open(const char* name) {
    Close();
    return Attach(OpenSharedBlock(name));
}

BOOL CSharedBlock::Attach(HANDLE h) {
    if (!h) return FALSE;
    void* view = MapSharedBlock(h);
    if (!view) {
        CloseSharedBlock(h);
        return FALSE;
    }
    m_hBlock = h;
    m_pView = view;
    m_nBytes = GetSharedBlockSize(h);
    return TRUE;
}

void CSharedBlock::Close() {
    UnmapSharedBlock(m_pView, m_nBytes);
    CloseSharedBlock(m_hBlock);
    m_hBlock = nullptr;
    m_pView = nullptr;
    m_nBytes = 0;
}

}  // namespace xrddata::platform
