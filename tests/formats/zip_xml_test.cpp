// The zip and XML helpers under the BRML, RASX and XRDML readers: members read within the inflation budget, zip
// bombs and damaged members refused with the member's name, XML with a byte-order mark or without declaration,
// nesting refused beyond the depth limit, number lists.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "format_test.h"
#include "support/zip_writer.h"
#include "xrddata/formats/bytes.h"
#include "xrddata/formats/xml.h"
#include "xrddata/formats/zip.h"

using namespace xrddata::formats;
using testing_support::SetDeclaredSize;
using testing_support::ZipBytes;
using formats_test::ErrorOf;

namespace {

std::string Nested(std::size_t depth) {
    std::string s;
    for (std::size_t i = 0; i < depth; ++i) s += "<a>";
    for (std::size_t i = 0; i < depth; ++i) s += "</a>";
    return s;
}

}  // namespace

TEST(ZipHelper, ReadsMembersWithinTheBudgetAndRefusesBombs) {
    const std::string zip = ZipBytes({{"b/one.xml", "<one/>"}, {"a.txt", "stored text", false}});
    ZipArchive archive(AsBytes(zip));
    EXPECT_EQ(archive.names(), (std::vector<std::string>{"b/one.xml", "a.txt"}));
    EXPECT_EQ(archive.read("a.txt"), "stored text");
    EXPECT_EQ(archive.read("b/one.xml"), "<one/>");
    EXPECT_EQ(archive.inflated(), 17u);
    EXPECT_EQ(archive.budget(), kZipInflateFloor);
    ReadError missing = ErrorOf([&] { archive.read("c.xml"); });
    EXPECT_EQ(missing.problem(), Problem::missing_scan);
    EXPECT_STREQ(missing.what(), "zip member c.xml: not in the archive");
    EXPECT_EQ(*ZipMemberNames(AsBytes(zip)), archive.names());
    EXPECT_EQ(FirstLocalMemberName(AsBytes(zip)), "b/one.xml");

    // A member claiming gigabytes is refused before anything is inflated.
    std::string forged = zip;
    SetDeclaredSize(forged, "b/one.xml", 3000000000u);
    ZipArchive big(AsBytes(forged));
    ReadError e = ErrorOf([&] { big.read("b/one.xml"); });
    EXPECT_EQ(e.problem(), Problem::too_large);
    EXPECT_NE(std::string(e.what()).find("zip member b/one.xml: the member declares 3000000000 bytes inflated"),
              std::string::npos)
        << e.what();
    EXPECT_EQ(big.inflated(), 0u);

    // A true bomb: 48 MiB of zeros deflate to some 48 KiB, far more than 100 times the archive.
    const std::string bomb = ZipBytes({{"zeros.xml", std::string(48u << 20, '\0')}});
    ASSERT_LT(bomb.size(), 200000u);
    ZipArchive b(AsBytes(bomb));
    EXPECT_EQ(b.budget(), std::max<std::uint64_t>(kZipInflateFloor, 100 * bomb.size()));
    EXPECT_EQ(ErrorOf([&] { b.read("zeros.xml"); }).problem(), Problem::too_large);

    // The budget is for all reads together: the same 600 KB member twice exceeds the 1 MiB of a small archive.
    const std::string twice = ZipBytes({{"z", std::string(600000, 'z')}});
    ZipArchive t(AsBytes(twice));
    EXPECT_EQ(t.read("z").size(), 600000u);
    EXPECT_EQ(ErrorOf([&] { t.read("z"); }).problem(), Problem::too_large);

    // A member whose data inflate to more than it declares is damaged; the read stops at the declared size.
    std::string shrunk = zip;
    SetDeclaredSize(shrunk, "b/one.xml", 3);
    ZipArchive s(AsBytes(shrunk));
    ReadError d = ErrorOf([&] { s.read("b/one.xml"); });
    EXPECT_EQ(d.problem(), Problem::malformed);
    EXPECT_NE(std::string(d.what()).find("zip member b/one.xml: the member is damaged"), std::string::npos) << d.what();
}

TEST(ZipHelper, DamagedMembersAndArchivesFailWithAReason) {
    const std::string text(4000, 'x');
    std::string numbers;
    for (int i = 0; i < 2000; ++i) numbers += std::to_string(i * 7919 % 10007) + " ";
    std::string zip = ZipBytes({{"good.txt", "fine"}, {"stored.txt", "abc" + text, false}, {"deflated.txt", numbers}});
    // Stored data changed in place: the CRC no longer matches.
    std::string damaged = zip;
    damaged[damaged.find("abcxxx") + 1] = 'B';
    ZipArchive a(AsBytes(damaged));
    EXPECT_EQ(a.read("good.txt"), "fine");
    ReadError e = ErrorOf([&] { a.read("stored.txt"); });
    EXPECT_EQ(e.problem(), Problem::malformed);
    EXPECT_NE(std::string(e.what()).find("zip member stored.txt: the member is damaged"), std::string::npos) << e.what();
    // Deflated data overwritten: an inflate or CRC error, named.
    damaged = zip;
    const std::size_t at = damaged.find("deflated.txt") + 12;
    for (std::size_t i = 100; i < 140; ++i) damaged[at + i] = '\xFF';
    ZipArchive b(AsBytes(damaged));
    e = ErrorOf([&] { b.read("deflated.txt"); });
    EXPECT_EQ(e.problem(), Problem::malformed);
    EXPECT_NE(std::string(e.what()).find("zip member deflated.txt: the member is damaged"), std::string::npos)
        << e.what();

    // No central directory (a cut archive): the archive does not open, detection still sees the first member.
    const std::string cut = zip.substr(0, zip.size() / 2);
    EXPECT_FALSE(ZipMemberNames(AsBytes(cut)));
    EXPECT_EQ(FirstLocalMemberName(AsBytes(cut)), "good.txt");
    e = ErrorOf([&] { ZipArchive c(AsBytes(cut)); });
    EXPECT_EQ(e.problem(), Problem::malformed);
    EXPECT_TRUE(std::string(e.what()).starts_with("the zip archive cannot be read: ")) << e.what();
    EXPECT_EQ(FirstLocalMemberName(AsBytes(std::string("PK\x03\x04", 4))), "");
}

TEST(XmlHelper, LoadsBomAndUndeclaredDocumentsAndRefusesDeepNesting) {
    pugi::xml_document doc;
    LoadXml(doc, AsBytes("\xEF\xBB\xBF<p:root xmlns:p=\"u\" p:type=\"T\"><p:a> 1.5 </p:a><b><c>x</c></b></p:root>"));
    const pugi::xml_node root = doc.document_element();
    EXPECT_EQ(LocalName(root), "root");
    EXPECT_EQ(*Number(Child(root, "a")), 1.5);
    EXPECT_EQ(Text(Path(root, "b/c")), "x");
    EXPECT_EQ(Text(Descendant(root, "c")), "x");
    EXPECT_FALSE(Descendant(Child(root, "a"), "c"));  // not outside the node searched
    EXPECT_STREQ(Attribute(root, "type").value(), "T");
    LoadXml(doc, AsBytes("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xC5</r>"));
    EXPECT_EQ(Text(doc.document_element()), "\xC3\x85");  // converted to UTF-8

    ReadError e = ErrorOf([&] { LoadXml(doc, AsBytes("<a><b></a>")); });
    EXPECT_EQ(e.problem(), Problem::malformed);
    EXPECT_STREQ(e.what(), "byte 8: the XML does not parse: Start-end tags mismatch");
    e = ErrorOf([&] { LoadXml(doc, AsBytes("<a><b></a>"), "Data0/x.xml"); });
    EXPECT_STREQ(e.what(), "zip member Data0/x.xml: byte 8: the XML does not parse: Start-end tags mismatch");
    EXPECT_EQ(ErrorOf([&] { LoadXml(doc, AsBytes(" \r\n")); }).problem(), Problem::no_data);

    LoadXml(doc, AsBytes(Nested(kMaxXmlDepth)));
    e = ErrorOf([&] { LoadXml(doc, AsBytes(Nested(kMaxXmlDepth + 1))); });
    EXPECT_EQ(e.problem(), Problem::too_large);
    EXPECT_STREQ(e.what(), "the XML is nested more than 256 elements deep");
    EXPECT_EQ(ErrorOf([&] { LoadXml(doc, AsBytes(Nested(100000))); }).problem(), Problem::too_large);
}

TEST(XmlHelper, NumberLists) {
    std::vector<double> v;
    EXPECT_TRUE(ParseNumberList(" 1 2.5\t-3e2\r\n+4 ", v));
    EXPECT_EQ(v, (std::vector<double>{1, 2.5, -300, 4}));
    v.clear();
    std::size_t bad = 99;
    EXPECT_TRUE(ParseNumberList("", v));
    EXPECT_TRUE(v.empty());
    for (const auto& [text, index] : std::vector<std::pair<std::string, std::size_t>>{
             {"1 2 x 4", 2}, {"1,2", 0}, {"1 1e999", 1}, {"7 nan", 1}, {"+-1", 0}, {"3 4five", 1}}) {
        v.clear();
        EXPECT_FALSE(ParseNumberList(text, v, &bad)) << text;
        EXPECT_EQ(bad, index) << text;
        EXPECT_EQ(v.size(), index) << text;
    }
}
