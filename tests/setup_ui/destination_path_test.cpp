// The destination screen's path rules, in a single-byte code page and in code page 936,
// whose double-byte characters may end in the byte of "\" (0x5C).
#include "destination_path.h"

#include <gtest/gtest.h>

#include "failing_new.h"

#include <optional>
#include <string>

namespace dp = destination_path;

namespace {

// Code page 936: 0x81 to 0xFE start a two-byte character.
constexpr bool Cp936Lead(unsigned char byte) { return byte >= 0x81 && byte != 0xFF; }

// A cp936 character whose second byte is "\" (U+4E57), and a plain one (U+67AB).
const std::string kTrailBackslash = "\x81\x5C";
const std::string kPlain = "\xB7\xE3";

std::optional<std::string> Text(const std::optional<dp::Path>& path) {
  if (!path) return std::nullopt;
  return std::string(path->view());
}

TEST(DestinationPath, TypedPathsAreValidatedAsTheScreenRequires) {
  const struct {
    std::string typed;
    std::optional<std::string> accepted;
  } cases[] = {
      {"c:\\", std::nullopt},           // three characters
      {"c:", std::nullopt},             // the bare drive
      {"c:\\a", "c:\\a"},
      {"c:\\a\\", "c:\\a"},             // one trailing backslash is dropped
      {"c:\\a\\\\", "c:\\a\\"},       // ...but only one
      {"c:\\games\\..", std::nullopt},  // ends in two dots
      {"c:\\games..\\", std::nullopt},  // the same once its backslash is dropped
      {"c:\\games.", "c:\\games."},     // one dot is a name
      {"\\\\server\\share", std::nullopt},
      {"cc:\\games", std::nullopt},     // the colon must be the second character
      {"C:\\Program Files\\Game", "C:\\Program Files\\Game"},
      {"c:\\" + std::string(123, 'a'), "c:\\" + std::string(123, 'a')},  // 126 characters
      {"c:\\" + std::string(124, 'a'), std::nullopt},  // 127: no room for the backslash
      {"c:\\" + std::string(123, 'a') + "\\", "c:\\" + std::string(123, 'a')},
      {"c:\\" + std::string(400, 'a'), std::nullopt},
  };
  for (const auto& c : cases) {
    const auto accepted = Text(dp::ValidateTypedPath(c.typed, kolta::NoLeadBytes));
    EXPECT_EQ(accepted, c.accepted) << c.typed;
  }
}

TEST(DestinationPath, DoubleByteNamesKeepTheirSecondByte) {
  const std::string name = "c:\\" + kPlain + kTrailBackslash;
  // The last byte is a character's second byte, not a trailing backslash.
  EXPECT_EQ(Text(dp::ValidateTypedPath(name, Cp936Lead)), name);
  EXPECT_EQ(Text(dp::ValidateTypedPath(name + "\\", Cp936Lead)), name);
  // Read byte by byte the same text loses its last byte.
  EXPECT_EQ(Text(dp::ValidateTypedPath(name, kolta::NoLeadBytes)),
            name.substr(0, name.size() - 1));

  EXPECT_EQ(dp::LastComponent(name, Cp936Lead), kPlain + kTrailBackslash);
  EXPECT_EQ(dp::ParentFolder(name, Cp936Lead), "c:\\");
  EXPECT_EQ(std::string(dp::InstallFolder(name, Cp936Lead)->view()), name + "\\");
  // A text that ends inside a character is malformed: nothing may follow it.
  EXPECT_FALSE(dp::ValidateTypedPath("c:\\ab\x81", Cp936Lead));
  // A lead byte in second place makes the colon the second byte of a character.
  EXPECT_FALSE(dp::ValidateTypedPath("\x81:\\games", Cp936Lead));
}

TEST(DestinationPath, FolderListShowsTheParentAndTheFolderEntry) {
  EXPECT_EQ(dp::ParentFolder("c:\\program files\\game", kolta::NoLeadBytes), "c:\\program files\\");
  EXPECT_EQ(dp::LastComponent("c:\\program files\\game", kolta::NoLeadBytes), "game");
  EXPECT_EQ(dp::ParentFolder("c:", kolta::NoLeadBytes), "");
  EXPECT_EQ(dp::LastComponent("c:", kolta::NoLeadBytes), "c:");
  EXPECT_EQ(dp::FolderListEntry("game").view(), "[game]");
  EXPECT_TRUE(dp::FolderListEntry(std::string(127, 'n')).ok());

  EXPECT_EQ(dp::ListedName("game\\", kolta::NoLeadBytes), "game");
  EXPECT_EQ(dp::ListedName("..\\", kolta::NoLeadBytes), "..");
  EXPECT_EQ(dp::ListedName(kTrailBackslash, Cp936Lead), kTrailBackslash);
  EXPECT_TRUE(dp::IsParentEntry(".."));
  EXPECT_FALSE(dp::IsParentEntry("..."));
}

TEST(DestinationPath, ChoosingAFolderReplacesTheLastComponent) {
  const struct {
    std::string path, name;
    std::optional<std::string> chosen;
  } cases[] = {
      {"c:\\games\\old", "new", "c:\\games\\new"},
      {"c:\\games", "..", "c:\\.."},
      {"c:", "games", "games"},           // no backslash: the path becomes the name
      {"\\games", "x", std::nullopt},     // backslash first: nothing changes
      {"c:\\" + std::string(100, 'a') + "\\b", std::string(22, 'n'),
       "c:\\" + std::string(100, 'a') + "\\" + std::string(22, 'n')},  // 126
      {"c:\\" + std::string(100, 'a') + "\\b", std::string(23, 'n'), std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text(dp::SelectFolder(c.path, c.name, kolta::NoLeadBytes)), c.chosen) << c.path;
  }
  // A double-byte name whose second byte is "\" is replaced whole.
  EXPECT_EQ(Text(dp::SelectFolder("c:\\" + kTrailBackslash, "new", Cp936Lead)), "c:\\new");
}

TEST(DestinationPath, TheParentEntryLeavesTwoLevels) {
  const struct {
    std::string path, parent;
  } cases[] = {
      {"c:\\games\\sub\\..", "c:\\games"},
      {"c:\\a\\..", "c:"},
      {"c:\\..", "c:\\.."},  // the only backslash is too near the end
      {"c:", "c:"},          // shorter than the search's start
      {"", ""},
      {"\\a\\..", "\\a\\.."},  // a backslash at the start is never used
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dp::LeaveParentEntry(c.path, kolta::NoLeadBytes), c.parent) << c.path;
  }
  // Characters, not bytes, are counted back; a second byte "\" is not a separator.
  EXPECT_EQ(dp::LeaveParentEntry("c:\\games\\" + kTrailBackslash + "\\..", Cp936Lead),
            "c:\\games");
  EXPECT_EQ(dp::LeaveParentEntry("c:\\" + kTrailBackslash + kTrailBackslash + "\\..", Cp936Lead),
            "c:");
}

TEST(DestinationPath, JoiningAndTheInstallFolderStayWithinTheirFields) {
  EXPECT_EQ(Text(dp::JoinFolder("c:", "games", kolta::NoLeadBytes)), "c:\\games");
  EXPECT_EQ(Text(dp::JoinFolder("c:\\", "games", kolta::NoLeadBytes)), "c:\\games");
  EXPECT_EQ(Text(dp::JoinFolder("c:\\games", "", kolta::NoLeadBytes)), "c:\\games\\");
  EXPECT_FALSE(dp::JoinFolder(std::string(120, 'a'), std::string(6, 'b'), kolta::NoLeadBytes));
  EXPECT_TRUE(dp::JoinFolder(std::string(120, 'a'), std::string(5, 'b'), kolta::NoLeadBytes));
  EXPECT_FALSE(dp::JoinFolder("c:\\ab\x81", "x", Cp936Lead));

  EXPECT_EQ(dp::InstallFolder("c:\\games", kolta::NoLeadBytes)->view(), "c:\\games\\");
  EXPECT_EQ(dp::InstallFolder(std::string(126, 'a'), kolta::NoLeadBytes)->size(), 127u);
  EXPECT_FALSE(dp::InstallFolder(std::string(127, 'a'), kolta::NoLeadBytes));

  EXPECT_TRUE(dp::IsOtherDrive("c:\\games", 'd'));
  EXPECT_FALSE(dp::IsOtherDrive("c:\\games", 'C'));
  EXPECT_TRUE(dp::IsOtherDrive("", 'c'));
  EXPECT_EQ(dp::SpaceLine("Free:", 0).view(), "Free: 0M");
  EXPECT_EQ(dp::SpaceLine("Needed:", 4000000000u).view(), "Needed: 4000000000M");
}

TEST(DestinationPath, TheRulesAllocateNothing) {
  const long failed = kolta::test::FailEachAllocation([] {
    const auto lead = kolta::NoLeadBytes;
    return dp::ValidateTypedPath("c:\\games\\kolta\\", lead) &&
           dp::SelectFolder("c:\\games\\kolta", "other", lead) &&
           dp::JoinFolder("c:\\games", "kolta", lead) &&
           dp::LeaveParentEntry("c:\\games\\kolta\\..", lead) == "c:\\games" &&
           dp::SpaceLine("Free:", 7).view() == "Free: 7M";
  });
  EXPECT_EQ(failed, 0);
}

TEST(DestinationPath, PathFromTextRefusesWhatCannotTakeItsBackslash) {
  EXPECT_EQ(Text(dp::PathFromText("c:\\program files\\kolta demo\\", kolta::NoLeadBytes)),
            "c:\\program files\\kolta demo");
  EXPECT_EQ(Text(dp::PathFromText("c:\\", kolta::NoLeadBytes)), "c:");
  EXPECT_FALSE(dp::PathFromText(std::string(127, 'a'), kolta::NoLeadBytes));
}

}  // namespace
