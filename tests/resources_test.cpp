// Checks the Windows resources that CI can't compile here: a malformed icon or version block only shows up
// as a blank icon or an empty Details tab on Windows, long after the change that broke it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

using testing::ElementsAre;

const std::filesystem::path kResourceDir{ TEVROLIN_RESOURCE_DIR };

std::vector<unsigned char> readBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

std::string readText(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// Little-endian reads; the caller has already checked the bounds.
std::uint32_t le16(const std::vector<unsigned char> &b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8);
}

std::uint32_t le32(const std::vector<unsigned char> &b, std::size_t at)
{
    return le16(b, at) | (le16(b, at + 2) << 16);
}

// DIB rows are padded to 32 bits.
std::uint32_t rowBytes(std::uint32_t width, std::uint32_t bits)
{
    return (width * bits + 31) / 32 * 4;
}

struct IconImage {
    std::uint32_t size;
    std::uint32_t colours;
    std::uint32_t bits;
};

// Windows picks the 2-colour image on monochrome displays and the 16x16 one for title bars and lists.
constexpr IconImage kImages[] = { { 32, 2, 1 }, { 32, 16, 4 }, { 16, 16, 4 } };

constexpr std::size_t kDirHeader = 6;
constexpr std::size_t kDirEntry = 16;
constexpr std::size_t kInfoHeader = 40;

class IcoTest : public testing::Test {
protected:
    std::vector<unsigned char> ico = readBytes(kResourceDir / "tevrolin.ico");
};

TEST_F(IcoTest, DirectoryListsThreeIcons)
{
    ASSERT_GE(ico.size(), kDirHeader + std::size(kImages) * kDirEntry);
    EXPECT_EQ(le16(ico, 0), 0u);
    EXPECT_EQ(le16(ico, 2), 1u) << "type 1 is an icon, 2 a cursor";
    EXPECT_EQ(le16(ico, 4), std::size(kImages));
}

TEST_F(IcoTest, EachImageMatchesItsEntryAndLiesInsideTheFile)
{
    ASSERT_GE(ico.size(), kDirHeader + std::size(kImages) * kDirEntry);
    for (std::size_t i = 0; i < std::size(kImages); ++i) {
        const IconImage &want = kImages[i];
        SCOPED_TRACE(testing::Message() << "image " << i << ": " << want.size << "x" << want.size << " " << want.colours
                                        << " colours");
        const std::size_t entry = kDirHeader + i * kDirEntry;
        const std::uint32_t entryFields[] = { ico[entry],     ico[entry + 1],       ico[entry + 2],
                                              ico[entry + 3], le16(ico, entry + 4), le16(ico, entry + 6) };
        // width, height, colour count, reserved, planes, bits per pixel
        EXPECT_THAT(entryFields, ElementsAre(want.size, want.size, want.colours, 0u, 1u, want.bits));

        const std::uint32_t length = le32(ico, entry + 8);
        const std::uint32_t offset = le32(ico, entry + 12);
        ASSERT_GE(offset, kDirHeader + std::size(kImages) * kDirEntry);
        ASSERT_LE(std::uint64_t{ offset } + length, ico.size());
        // A short resource means a truncated colour bitmap or a missing AND mask.
        EXPECT_EQ(length, kInfoHeader + 4 * want.colours + rowBytes(want.size, want.bits) * want.size +
                              rowBytes(want.size, 1) * want.size);

        ASSERT_GE(length, kInfoHeader);
        const std::uint32_t dibFields[] = { le32(ico, offset),      le32(ico, offset + 4),  le32(ico, offset + 8),
                                            le16(ico, offset + 12), le16(ico, offset + 14), le32(ico, offset + 16) };
        // header size, width, height (XOR and AND masks stacked), planes, bits per pixel, uncompressed
        EXPECT_THAT(dibFields, ElementsAre(kInfoHeader, want.size, 2 * want.size, 1u, want.bits, 0u));
    }
}

TEST(RcTest, DeclaresIconAndVersion)
{
    const std::string rc = readText(kResourceDir / "tevrolin.rc");
    ASSERT_FALSE(rc.empty());
    const char *const kPatterns[] = {
        R"(\bIDI_ICON1\s+ICON\s+"tevrolin\.ico")",
        R"(\bFILEVERSION\s+1\s*,\s*0\s*,\s*0\s*,\s*0\b)",
        R"(\bPRODUCTVERSION\s+1\s*,\s*0\s*,\s*0\s*,\s*0\b)",
        R"(\bBLOCK\s+"040904B0")",
        R"(\bVALUE\s+"FileVersion"\s*,\s*"1\.00")",
        R"(\bVALUE\s+"ProductVersion"\s*,\s*"1\.00")",
        R"(\bVALUE\s+"Translation"\s*,\s*0x0?409\s*,\s*1200\b)",
    };
    for (const char *pattern : kPatterns) {
        EXPECT_TRUE(std::regex_search(rc, std::regex(pattern))) << "missing " << pattern;
    }
}

} // namespace
