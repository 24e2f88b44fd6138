// Every text-format reader and its test fed input that is not its format: empty files, NUL bytes, cut headers,
// numbers and words swapped, very long lines, no data, a folder, a missing file and one that cannot be opened.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "import/import_support.h"
#include "xrddata/platform/ui.h"

using import_testing::CpiFile;
using import_testing::CranfieldFile;
using import_testing::ImportSandbox;
using import_testing::UdfFile;

namespace {

using IsFn = int (CFileImporter::*)(const CString&);
using ReadFn = int (CFileImporter::*)(const CString&);

struct Reader {
    const char* name;
    IsFn is;
    ReadFn read;
    const char* refusal;  // the reader's own message for a file that fails its test ("" for none)
};

const Reader kReaders[] = {
    {"text", &CFileImporter::IsTextFile, &CFileImporter::ReadTextFile, " is not a valid text file"},
    {"cranfield", &CFileImporter::IsCranfieldFile, &CFileImporter::ReadCranfieldFile,
     " is not a valid Cranfield file"},
    {"cpi", &CFileImporter::IsCpiFile, &CFileImporter::ReadCpiFile, " is not a valid Diffraction Technology file"},
    {"udf", &CFileImporter::IsUdfFile, &CFileImporter::ReadUdfFile, ""},
};

// A socket bound in the file system: it exists but cannot be opened for reading, even by root.
class Socket {
public:
    explicit Socket(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Socket() { ::close(fd_); }
    bool bound() const { return bound_; }

private:
    int fd_;
    bool bound_;
};

}  // namespace

// Files each reader must refuse: the test says no and the reader fails with its own message (none for UDF).
TEST(ImportBadInput, RefusedByEveryReader) {
    ImportSandbox box;
    const std::string nuls(600, '\0');
    const std::string longLine = std::string(10000, '7') + "\n";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty", ""},
        {"nuls", nuls},
        {"cut", "Title\n10\n"},
        {"words", "alpha beta\ngamma\ndelta\nepsilon\nzeta\neta\ntheta\niota\nkappa\nlambda\nmu\n"},
        {"long", longLine + longLine},
        {"binary", "RAW1.01\x01\x02\x03\xff\xfe\n\x00\x00"},
    };
    for (const Reader& r : kReaders) {
        for (const auto& [label, bytes] : files) {
            SCOPED_TRACE(std::string(r.name) + " " + label);
            std::string path = box.Write(label, bytes);
            CXRDData d;
            CFileImporter imp(&d);
            box.ui.messages.clear();
            EXPECT_EQ((imp.*r.is)(path), 0);
            EXPECT_TRUE(box.ui.messages.empty());
            EXPECT_EQ((imp.*r.read)(path), 0);
            if (*r.refusal) {
                ASSERT_EQ(box.ui.messages.size(), 1u);
                EXPECT_EQ(box.ui.messages[0].text, path + r.refusal);
            } else {
                EXPECT_TRUE(box.ui.messages.empty());
            }
        }
    }
}

// A folder, a missing file and a socket: the file error is shown by the test and by the reader, nothing is read.
TEST(ImportBadInput, FilesThatCannotBeOpened) {
    ImportSandbox box;
    Socket sock(box.dir.file("sock"));
    ASSERT_TRUE(sock.bound());
    const std::vector<std::string> paths = {box.dir.path().string(), box.dir.file("missing.xy"), box.dir.file("sock")};
    for (const Reader& r : kReaders) {
        for (const std::string& path : paths) {
            SCOPED_TRACE(std::string(r.name) + " " + path);
            CXRDData d;
            d.m_strSampleName = "kept";
            CFileImporter imp(&d);
            box.ui.messages.clear();
            EXPECT_EQ((imp.*r.is)(path), 0);
            ASSERT_EQ(box.ui.messages.size(), 1u);
            EXPECT_EQ(box.ui.messages[0].text.rfind(path + ": ", 0), 0u) << box.ui.messages[0].text;
            EXPECT_EQ(box.ui.messages[0].type, MB_ICONEXCLAMATION);
            box.ui.messages.clear();
            EXPECT_EQ((imp.*r.read)(path), 0);
            // The readers that test first show the file error and then their refusal.
            EXPECT_EQ(box.ui.messages.size(), *r.refusal ? 2u : 1u);
            EXPECT_EQ(d.m_strSampleName, "kept");
        }
    }
    // Through the driver a folder gives every detection test's file error and then the refusal.
    CXRDData d;
    box.ui.messages.clear();
    EXPECT_EQ(d.DoReadFile(box.dir.path().c_str(), 0), 0);
    ASSERT_FALSE(box.ui.messages.empty());
    EXPECT_EQ(box.ui.messages.back().text, "Cannot determine file format");
}

// Files that pass a test but carry over-long lines, swapped fields or no data: exact outcomes.
TEST(ImportBadInput, LongLinesSwappedFieldsAndMissingData) {
    ImportSandbox box;
    CXRDData d;
    CFileImporter imp(&d);
    const std::string xs(10000, 'x');

    // Text: only the last piece of a long line is a line, and it is not two numbers.
    EXPECT_EQ(imp.ReadTextFile(box.Write("t1", "1 2\n" + xs + "\n3 4\n")), 0);
    EXPECT_EQ(box.ui.messages.back().text, "Bad x,y (error) values");
    // Cranfield: the long line's pieces are skipped; a numeric title is just a title; no data gives its message.
    ASSERT_EQ(imp.ReadCranfieldFile(box.Write("c1", CranfieldFile("5\n" + xs + "\n6\n"))), 1);
    EXPECT_EQ(d.GetSize(), 2);
    ASSERT_EQ(imp.ReadCranfieldFile(box.Write("c2", "123\n1\n10\n0.5\n5\n")), 1);
    EXPECT_EQ(d.m_strSampleName, "123");
    EXPECT_EQ(imp.IsCranfieldFile(box.Write("c3", "title\nabc\n10\n0.02\n5\n")), 0);
    EXPECT_EQ(imp.ReadCranfieldFile(box.Write("c4", CranfieldFile(""))), 0);
    EXPECT_EQ(box.ui.messages.back().text, "File appears to contain no data");
    // CPI: a long title shifts the header and the file is no longer recognised; a long data line is no number;
    // words and numbers swapped in the anode and wavelength lines; a header without data is an empty pattern.
    EXPECT_EQ(imp.IsCpiFile(box.Write("p1", std::string(300, 'T') + "\n" + CpiFile("1\n").substr(11))), 0);
    EXPECT_EQ(imp.ReadCpiFile(box.Write("p2", CpiFile("5\n" + xs + "\n"))), 0);
    EXPECT_EQ(box.ui.messages.back().text, "Missing y value");
    EXPECT_EQ(imp.IsCpiFile(box.Write("p3", CpiFile("5\n", "SCANDATA", "1.54", "Cu"))), 0);
    ASSERT_EQ(imp.ReadCpiFile(box.Write("p4", CpiFile(""))), 1);
    EXPECT_EQ(d.GetSize(), 0);
    // UDF: every piece of a long data line counts (40 pieces of digits); words in the range fail the read.
    ASSERT_EQ(imp.ReadUdfFile(box.Write("u1", UdfFile("1, 2, 3, 4, 5, 6, 7, 8\r\n" + std::string(10000, '9') + "\r\n"))),
              1);
    EXPECT_EQ(d.GetSize(), 48);
    const size_t before = box.ui.messages.size();
    EXPECT_EQ(imp.ReadUdfFile(box.Write("u2", "DataAngleRange,ten,eighty\nScanStepSize,0.02\nRawScan\n1\n")), 0);
    EXPECT_EQ(imp.ReadUdfFile(box.Write("u3", UdfFile(""))), 0);
    EXPECT_EQ(imp.ReadUdfFile(box.Write("u4", UdfFile(std::string(600, '\0')))), 0);
    EXPECT_EQ(box.ui.messages.size(), before);
}
