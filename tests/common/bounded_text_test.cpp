#include "bounded_text.h"

#include <gtest/gtest.h>

#include <string>

#include "dbcs_fixture.h"

namespace kolta {
namespace {

TEST(BoundedText, HoldsUpTo127CharactersAndRefusesMore) {
  InterfaceText text(std::string(100, 'a'));
  text.Append(std::string(27, 'b'));
  ASSERT_TRUE(text.ok());
  EXPECT_EQ(text.size(), 127u);

  char out[kTextBufferSize];
  std::memset(out, 'x', sizeof out);
  ASSERT_TRUE(text.CopyTo(out));
  EXPECT_EQ(out[127], '\0');

  // One more character overflows; the text keeps what it had and stays refused.
  text.Append('c');
  EXPECT_FALSE(text.ok());
  EXPECT_EQ(text.size(), 127u);
  text.Truncate(10);
  text.Append("d");
  EXPECT_FALSE(text.ok());
  char untouched[kTextBufferSize] = "keep";
  EXPECT_FALSE(text.CopyTo(untouched));
  EXPECT_STREQ(untouched, "keep");
}

TEST(BoundedText, ReadsCallerTextsOnlyWithinTheirLimit) {
  EXPECT_FALSE(ReadBoundedText(nullptr));
  char full[kTextBufferSize];
  std::memset(full, 'z', sizeof full);
  EXPECT_FALSE(ReadBoundedText(full)) << "no terminator within 128 bytes";
  full[127] = '\0';
  ASSERT_TRUE(ReadBoundedText(full));
  EXPECT_EQ(ReadBoundedText(full)->size(), 127u);
  EXPECT_EQ(*ReadBoundedText("abc", 4), "abc");
}

TEST(BoundedText, SingleByteScanning) {
  EXPECT_EQ(LastSeparator("C:\\a/b\\c", Separators::BackslashOnly, NoLeadBytes), 6u);
  EXPECT_EQ(LastSeparator("C:\\a\\b/c", Separators::BackslashOrSlash, NoLeadBytes), 6u);
  EXPECT_FALSE(LastSeparator("file.txt", Separators::BackslashOrSlash, NoLeadBytes));
  EXPECT_TRUE(EndsWithBackslash("C:\\", NoLeadBytes));
  EXPECT_FALSE(EndsWithBackslash("", NoLeadBytes));
  EXPECT_EQ(SingleByteCharAt("HFa", 1, NoLeadBytes), 'F');
  EXPECT_EQ(SingleByteCharAt("H", 3, NoLeadBytes), '\0');
  EXPECT_EQ(SkipChars("ab", 5, NoLeadBytes), 2u);
}

// In code page 936 the trail byte of a character can be 0x5C, the backslash.
TEST(BoundedText, DoubleByteTrailBytesAreNeverSeparators) {
  const std::string folder = std::string("C:\\") + test::kTrailBackslash;  // ends in byte 0x5C
  EXPECT_FALSE(EndsWithBackslash(folder, test::Cp936LeadByte));
  EXPECT_EQ(LastSeparator(folder, Separators::BackslashOnly, test::Cp936LeadByte), 2u);
  EXPECT_TRUE(EndsWithBackslash(folder + "\\", test::Cp936LeadByte));

  InterfaceText text(folder);
  AppendFolderSeparator(text, test::Cp936LeadByte);
  EXPECT_EQ(text.view(), folder + "\\");

  // A double-byte character counts as one and is never a letter.
  const std::string name = std::string(test::kTrailBackslash) + "Fx";
  EXPECT_EQ(SingleByteCharAt(name, 0, test::Cp936LeadByte), '\0');
  EXPECT_EQ(SingleByteCharAt(name, 1, test::Cp936LeadByte), 'F');
  EXPECT_EQ(SkipChars(name, 2, test::Cp936LeadByte), 3u);
  EXPECT_FALSE(ContainsChar(std::string("a") + test::kTrailBackslash, '\\', test::Cp936LeadByte));

  // A lead byte at the very end stands alone: no separator can follow it.
  EXPECT_EQ(SkipChars("a\x81", 2, test::Cp936LeadByte), 2u);
  InterfaceText lone("C:\\a\x81");
  AppendFolderSeparator(lone, test::Cp936LeadByte);
  EXPECT_FALSE(lone.ok());
  EXPECT_FALSE(JoinPath("C:\\a\x81", "name", test::Cp936LeadByte));
  EXPECT_EQ(JoinPath("C:\\a\x81", "name", NoLeadBytes)->view(), "C:\\a\x81\\name");
  EXPECT_EQ(LastSeparator("\\\x81", Separators::BackslashOnly, test::Cp936LeadByte), 0u);
}

}  // namespace
}  // namespace kolta
