#include "support/zip_writer.h"

#include <zip.h>

#include <stdexcept>

namespace testing_support {

namespace {

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("zip writer: ") + what);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint16_t Get16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

}  // namespace

std::string ZipBytes(const std::vector<ZipMember>& members) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    Check(target, "buffer");
    zip_source_keep(target);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    Check(archive, "open");
    for (const ZipMember& m : members) {
        zip_source_t* s = zip_source_buffer(archive, m.content.data(), m.content.size(), 0);
        Check(s, "member");
        const zip_int64_t index = zip_file_add(archive, m.name.c_str(), s, ZIP_FL_ENC_UTF_8);
        Check(index >= 0, "add");
        Check(zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                       m.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) == 0,
              "compression");
    }
    Check(zip_close(archive) == 0, "close");
    Check(zip_source_open(target) == 0, "reopen");
    std::string out;
    char chunk[65536];
    zip_int64_t n;
    while ((n = zip_source_read(target, chunk, sizeof chunk)) > 0) out.append(chunk, static_cast<std::size_t>(n));
    zip_source_close(target);
    zip_source_free(target);
    zip_error_fini(&error);
    return out;
}

void SetDeclaredSize(std::string& zip, const std::string& member, std::uint32_t size) {
    // Local header: signature PK\3\4, name length at 26, name at 30, inflated size at 22.
    // Central directory entry: signature PK\1\2, name length at 28, name at 46, inflated size at 24.
    int patched = 0;
    for (std::size_t at = 0; (at = zip.find("PK", at)) != std::string::npos; ++at) {
        if (zip.compare(at, 4, "PK\x03\x04") == 0 && Get16(zip, at + 26) == member.size() &&
            zip.compare(at + 30, member.size(), member) == 0) {
            Put32(zip, at + 22, size);
            ++patched;
        } else if (zip.compare(at, 4, "PK\x01\x02") == 0 && Get16(zip, at + 28) == member.size() &&
                   zip.compare(at + 46, member.size(), member) == 0) {
            Put32(zip, at + 24, size);
            ++patched;
        }
    }
    Check(patched == 2, "member headers not found");
}

}  // namespace testing_support
