// Formatting the texts of the settings file with the arguments their keys pass: texts that
// match are formatted like wvsprintfA, every other text shows as written, and no result
// leaves the 256-byte buffer or ends inside a character.
#include "setup_message_text.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "dbcs_fixture.h"

namespace {

using kolta::test::Cp936LeadByte;

std::string Formatted(kolta::LeadBytePredicate isLead, const char* kinds, const char* text, ...) {
  char out[256];
  std::memset(out, 'z', sizeof out);
  va_list arguments;
  va_start(arguments, text);
  FormatSetupMessage(kinds, text, arguments, out, isLead);
  va_end(arguments);
  EXPECT_NE(std::memchr(out, '\0', sizeof out), nullptr);
  return out;
}

// The three argument lists of the setup's keys, each with fixed values.
std::string WithNoArguments(const char* text) { return Formatted(kolta::NoLeadBytes, "", text); }
std::string WithFolder(const char* text) {
  return Formatted(kolta::NoLeadBytes, "s", text, "c:\\games\\kolta\\");
}
std::string WithSpace(const char* text) {
  return Formatted(kolta::NoLeadBytes, "cdd", text, 'D', 12, 300);
}

TEST(SetupMessageText, KeysPassTheirArguments) {
  EXPECT_EQ(SetupMessageArgumentKinds("IDS_NODISKSPACE"), "cdd");
  for (const char* key : {"IDS_NOSETUPINFOFILE", "IDS_NOEXISTDIR", "IDS_CANTMAKEDIR",
                          "IDS_COPYFILEERROR"}) {
    EXPECT_EQ(SetupMessageArgumentKinds(key), "s") << key;
  }
  for (const char* key : {"IDS_SETUPGOOD", "IDS_SUREQUIT", "IDS_REBOOT", "ids_nodiskspace", ""}) {
    EXPECT_EQ(SetupMessageArgumentKinds(key), "") << key;
  }
}

TEST(SetupMessageText, MatchingConversionsAreFormatted) {
  struct Case {
    std::string (*format)(const char*);
    const char* text;
    const char* shown;
  };
  for (const Case& c : {
           Case{WithNoArguments, "Setup is complete.", "Setup is complete."},
           {WithNoArguments, "100%% done", "100% done"},
           {WithNoArguments, "", ""},
           {WithFolder, "Cannot create %s.", "Cannot create c:\\games\\kolta\\."},
           {WithFolder, "%hs", "c:\\games\\kolta\\"},
           {WithFolder, "%hS", "c:\\games\\kolta\\"},
           {WithFolder, "[%5.2s]", "[   c:]"},
           {WithFolder, "[%-5.2s]", "[c:   ]"},
           {WithFolder, "[%.0s]", "[]"},
           {WithFolder, "[%20s]", "[     c:\\games\\kolta\\]"},
           {WithFolder, "%s and no more", "c:\\games\\kolta\\ and no more"},
           {WithSpace, "Drive %c: %d MB free, %d MB needed.",
            "Drive D: 12 MB free, 300 MB needed."},
           {WithSpace, "[%-3c][%5ld][%.0d]", "[D  ][   12][300]"},
           {WithSpace, "[%3hc]", "[  D]"},
           {WithSpace, "%c%%: %#x %X", "D%: 0xc 12C"},
           {WithSpace, "%c [%-08d] [%08i]", "D [12      ] [00000300]"},
           {WithSpace, "%c [%.4u]", "D [0012]"},
           {WithSpace, "%c only", "D only"},  // fewer conversions than arguments
       }) {
    EXPECT_EQ(c.format(c.text), c.shown) << c.text;
  }
}

TEST(SetupMessageText, NumbersFollowTheirConversion) {
  const auto number = [](const char* text, int value) {
    return Formatted(kolta::NoLeadBytes, "d", text, value);
  };
  EXPECT_EQ(number("%d", -2147483647 - 1), "-2147483648");
  EXPECT_EQ(number("%u", -1), "4294967295");
  EXPECT_EQ(number("%x", -1), "ffffffff");
  EXPECT_EQ(number("%hd", 70000), "4464");  // the low 16 bits, signed
  EXPECT_EQ(number("%hu", -1), "65535");
  EXPECT_EQ(number("%08d", -42), "-0000042");
  EXPECT_EQ(number("%#08x", 255), "0x0000ff");
  EXPECT_EQ(number("%#x", 0), "0");
  EXPECT_EQ(number("[%.0d]", 0), "[]");
}

TEST(SetupMessageText, TextsThatAskForOtherArgumentsShowAsWritten) {
  struct Case {
    std::string (*format)(const char*);
    const char* text;
  };
  for (const Case& c : {
           Case{WithNoArguments, "Setup of %s is complete."},  // the key passes nothing
           {WithNoArguments, "%d%%"},
           {WithFolder, "%s and %s"},  // more than the key passes
           {WithFolder, "%d"},
           {WithFolder, "%c"},
           {WithFolder, "%S"},  // wide forms
           {WithFolder, "%ls"},
           {WithFolder, "%lS"},
           {WithFolder, "%ws"},
           {WithFolder, "%*s"},
           {WithFolder, "%.*s"},
           {WithFolder, "%p"},
           {WithFolder, "%n"},
           {WithFolder, "%I64s"},
           {WithFolder, "50%"},  // a lone '%' at the end
           {WithFolder, "%-"},
           {WithFolder, "%5%"},
           {WithFolder, "%99999s"},  // a width no message can have
           {WithFolder, "%.10000s"},
           {WithSpace, "%d %c %d"},  // another order
           {WithSpace, "%s"},
           {WithSpace, "%lc: %d %d"},
           {WithSpace, "%C: %d %d"},
           {WithSpace, "%c: %+d"},
           {WithSpace, "%c: % d"},
           {WithSpace, "%c: %f"},
           {WithSpace, "%c: %d %d %d"},
       }) {
    EXPECT_EQ(c.format(c.text), c.text) << c.text;
  }
  EXPECT_EQ(Formatted(kolta::NoLeadBytes, "s", nullptr, "x"), "");
  EXPECT_EQ(Formatted(kolta::NoLeadBytes, "s", "[%s]", static_cast<const char*>(nullptr)),
            "[(null)]");
}

TEST(SetupMessageText, LongResultsEndAtTheLastWholeCharacter) {
  const std::string name(300, 'n');
  EXPECT_EQ(Formatted(kolta::NoLeadBytes, "s", "%s", name.c_str()), name.substr(0, 255));
  EXPECT_EQ(Formatted(kolta::NoLeadBytes, "d", "%300d", 7), std::string(255, ' '));
  EXPECT_EQ(Formatted(kolta::NoLeadBytes, "s", "%-1000s", "x"), "x" + std::string(254, ' '));
  EXPECT_EQ(Formatted(kolta::NoLeadBytes, "s", "%1000s", "x"), std::string(255, ' '));
  const std::string asWritten(300, 'w');
  EXPECT_EQ(WithNoArguments(asWritten.c_str()), asWritten.substr(0, 255));

  // A two-byte character (D6 D0) on bytes 254 and 255 does not fit in code page 936; in a
  // single-byte code page those are two characters and the first one fits.
  const std::string straddling = std::string(254, 'a') + "\xD6\xD0" + "b";
  EXPECT_EQ(Formatted(Cp936LeadByte, "", straddling.c_str()), straddling.substr(0, 254));
  EXPECT_EQ(Formatted(kolta::NoLeadBytes, "", straddling.c_str()), straddling.substr(0, 255));
  const std::string prefix(253, 'p');
  EXPECT_EQ(Formatted(Cp936LeadByte, "s", (prefix + "%s").c_str(), "\xD6\xD0\xCE\xC4"),
            prefix + "\xD6\xD0");
  // Exactly 255 bytes ending in a whole character stay whole.
  EXPECT_EQ(Formatted(Cp936LeadByte, "s", (prefix + "%s").c_str(), "\xD6\xD0"),
            prefix + "\xD6\xD0");

  // A precision counts bytes but never splits a character either.
  EXPECT_EQ(Formatted(Cp936LeadByte, "s", "[%.2s]", "a\xD6\xD0"), "[a]");
  EXPECT_EQ(Formatted(Cp936LeadByte, "s", "[%.3s]", "a\xD6\xD0"), "[a\xD6\xD0]");
}

}  // namespace
