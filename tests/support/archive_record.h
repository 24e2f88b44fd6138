// An object's archive record: the bytes its Serialize stores, and a load of bytes that reports how it failed.
#pragma once

#include <cstdint>
#include <string>

#include "xrddata/platform/archive.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/memfile.h"

namespace testing_support {

// The archive record an object stores.
template <class T>
std::string Store(T& obj) {
    CMemFile f;
    {
        CArchive ar(&f, CArchive::store);
        obj.Serialize(ar);
        ar.Close();
    }
    return std::string(f.Data().begin(), f.Data().end());
}

// Loads obj from the bytes: -1 when the load succeeded, else the archive exception's cause (100 + the cause for a
// file exception). After a good load, left (when given) receives the bytes the record left unread.
template <class T>
int LoadCause(T& obj, const std::string& bytes, std::uint64_t* left = nullptr) {
    CMemFile f(bytes.data(), bytes.size());
    CArchive ar(&f, CArchive::load);
    try {
        obj.Serialize(ar);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    } catch (const CFileException& e) {
        return 100 + e.m_cause;
    }
    if (left) *left = ar.BytesLeft();
    return -1;
}

}  // namespace testing_support
