#include "xrddata/formats/zip.h"

#include <zip.h>

#include <algorithm>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/error.h"

namespace xrddata::formats {

namespace {

// The libzip error text of an error structure, released afterwards.
std::string ErrorText(zip_error_t* error) {
    std::string text = zip_error_strerror(error);
    zip_error_fini(error);
    return text;
}

// An archive over the bytes, or null with the reason in error. The source is not copied: libzip reads the
// caller's bytes in place.
zip_t* OpenArchive(Bytes bytes, zip_error_t* error) {
    zip_error_init(error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, error);
    if (!source) return nullptr;
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, error);
    if (!archive) zip_source_free(source);  // on success the archive owns the source
    return archive;
}

std::vector<std::string> Names(zip_t* archive) {
    std::vector<std::string> names;
    const zip_int64_t n = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        names.emplace_back(name ? name : "");
    }
    return names;
}

// Fuzz builds let a member's data differ from its CRC, so that mutated member contents reach the readers behind
// the archive instead of all failing the checksum; every other check stays.
bool ToleratedError(zip_file_t* file) {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    return zip_error_code_zip(zip_file_get_error(file)) == ZIP_ER_CRC;
#else
    (void)file;
    return false;
#endif
}

ReadError MemberError(Problem problem, std::string_view member, const std::string& reason) {
    return ReadError(problem, "zip member " + std::string(member) + ": " + reason);
}

}  // namespace

bool StartsLikeZip(Bytes bytes) { return AsText(bytes).starts_with("PK\x03\x04"); }

std::optional<std::vector<std::string>> ZipMemberNames(Bytes bytes) {
    if (!StartsLikeZip(bytes)) return std::nullopt;
    zip_error_t error;
    zip_t* archive = OpenArchive(bytes, &error);
    if (!archive) {
        zip_error_fini(&error);
        return std::nullopt;
    }
    std::vector<std::string> names = Names(archive);
    zip_discard(archive);
    return names;
}

std::string FirstLocalMemberName(Bytes bytes) {
    // A local file header is 30 bytes of fixed fields, the name's length at offset 26, then the name.
    if (!StartsLikeZip(bytes) || bytes.size() < 30) return {};
    const std::size_t length = le::u16(bytes.data() + 26);
    return std::string(AsText(bytes).substr(30, length));
}

struct ZipArchive::Handle {
    zip_t* archive = nullptr;
    ~Handle() {
        if (archive) zip_discard(archive);
    }
};

ZipArchive::ZipArchive(Bytes bytes) : handle_(std::make_unique<Handle>()), archive_size_(bytes.size()) {
    zip_error_t error;
    handle_->archive = OpenArchive(bytes, &error);
    if (!handle_->archive)
        throw ReadError(Problem::malformed, "the zip archive cannot be read: " + ErrorText(&error));
    names_ = Names(handle_->archive);
    budget_ = std::min(kZipInflateCap, std::max(kZipInflateFloor, kZipInflateFactor * archive_size_));
}

ZipArchive::~ZipArchive() = default;

bool ZipArchive::contains(std::string_view name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

std::string ZipArchive::read(std::string_view name) {
    zip_t* archive = handle_->archive;
    const auto it = std::find(names_.begin(), names_.end(), name);
    if (it == names_.end()) throw MemberError(Problem::missing_scan, name, "not in the archive");
    const auto index = static_cast<zip_uint64_t>(it - names_.begin());

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, index, 0, &st) != 0)
        throw MemberError(Problem::malformed, name, zip_strerror(archive));
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        throw MemberError(Problem::malformed, name, "the member is encrypted");
    if ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0))
        throw MemberError(Problem::malformed, name,
                          "compression method " + std::to_string(st.comp_method) + " is not supported");
    if (!(st.valid & ZIP_STAT_SIZE)) throw MemberError(Problem::malformed, name, "the member's size is not stated");
    const std::uint64_t size = st.size;
    if (size > budget_ - inflated_)
        throw MemberError(Problem::too_large, name,
                          "the member declares " + std::to_string(size) + " bytes inflated, more than the " +
                              std::to_string(budget_ - inflated_) + " left of the " + std::to_string(budget_) +
                              " an archive of " + std::to_string(archive_size_) + " bytes may inflate to");

    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (!file) throw MemberError(Problem::malformed, name, std::string("cannot be opened: ") + zip_strerror(archive));
    struct Closer {
        zip_file_t* f;
        ~Closer() { zip_fclose(f); }
    } closer{file};

    // Grown while reading rather than sized up front: a member may declare more than its data hold.
    std::string out;
    out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, std::uint64_t{1} << 20)));
    char chunk[65536];
    while (out.size() < size) {
        const std::uint64_t want = std::min<std::uint64_t>(sizeof chunk, size - out.size());
        const zip_int64_t got = zip_fread(file, chunk, want);
        if (got < 0 && ToleratedError(file)) break;
        if (got < 0)
            throw MemberError(Problem::malformed, name, std::string("the member is damaged: ") + zip_file_strerror(file));
        if (got == 0) break;
        out.append(chunk, static_cast<std::size_t>(got));
    }
    if (out.size() < size)
        throw MemberError(Problem::malformed, name,
                          "the member is damaged: its data end after " + std::to_string(out.size()) + " of the " +
                              std::to_string(size) + " bytes it declares");
    // The declared size is all that is read; data that go on past it mean a damaged or forged directory.
    char probe;
    const zip_int64_t more = zip_fread(file, &probe, 1);
    if (more != 0 && !(more < 0 && ToleratedError(file)))
        throw MemberError(Problem::malformed, name,
                          more < 0 ? std::string("the member is damaged: ") + zip_file_strerror(file)
                                   : "the member is damaged: its data run past the " + std::to_string(size) +
                                         " bytes it declares");
    inflated_ += size;
    return out;
}

}  // namespace xrddata::formats
