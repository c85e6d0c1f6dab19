#include "console/console_config.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <cstdint>
#include <string>
#include <vector>

#include "console/key_queue.h"
#include "console/keyboard.h"
#include "console/magnifier.h"
#include "console/screen_buffer.h"
#include "tests/support/console_fixture.h"

namespace {

using doubles::ConsoleTest;
using Table = std::array<std::uint8_t, 16>;

constexpr Table Identity = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

class ConsoleConfig : public ConsoleTest {
 protected:
  void SetUp() override { Start(); }

  // Reads the configuration as the window's creation does, without the
  // window.
  void Read(const char* ini) {
    os().iniText = ini ? std::optional<std::string>(ini) : std::nullopt;
    console::ReadConsoleConfig();
  }

  static std::uint8_t Attribute() { return console::Screen().CurrentAttribute; }
  static const Table& Colours() { return console::Screen().ColourTable; }

  std::vector<std::string> FontsCreated() { return os().CallsStartingWith("CreateFontA("); }
};

TEST_F(ConsoleConfig, WithoutAFileEveryKeyIsReadWithItsDefaultInOrder) {
  Read(nullptr);
  const std::vector<std::string> expected = {
      "GetPrivateProfileStringA(VIDEO, TABCORES, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15, 80, "
      "MIRABO.INI)",
      "GetPrivateProfileStringA(VIDEO, LENTO, N, 80, MIRABO.INI)",
      "GetPrivateProfileStringA(VIDEO, CORFUNDO, 0, 80, MIRABO.INI)",
      "GetPrivateProfileStringA(VIDEO, CORLETRA, 15, 80, MIRABO.INI)",
      "GetPrivateProfileStringA(BRAILLE, MODO, 0, 80, MIRABO.INI)",
      "GetPrivateProfileStringA(VIDEO, AMPLIF, 2, 2, MIRABO.INI)",
      "GetPrivateProfileStringA(VIDEO, FONTE, Lucida Console, 80, MIRABO.INI)",
      "GetPrivateProfileStringA(VIDEO, LARGURALETRA, 9, 80, MIRABO.INI)",
      "GetPrivateProfileStringA(VIDEO, ALTURALETRA, 22, 80, MIRABO.INI)",
      "GetPrivateProfileStringA(VIDEO, PESOLETRA, 700, 80, MIRABO.INI)",
      "GetPrivateProfileStringA(VIDEO, CANTOTELA, SIM, 80, MIRABO.INI)",
  };
  EXPECT_EQ(os().CallsStartingWith("GetPrivateProfileStringA("), expected);
}

TEST_F(ConsoleConfig, WithoutAFileTheDefaultsApply) {
  Read(nullptr);
  EXPECT_EQ(Colours(), Identity);
  EXPECT_EQ(Attribute(), 0x0F);
  EXPECT_FALSE(console::Config().ScrollByCopy);
  EXPECT_EQ(console::BrailleMode(), 0);
  EXPECT_EQ(console::Magnifier().ZoomFactor, 2);
  EXPECT_FALSE(console::Config().StartMaximized);
  EXPECT_EQ(FontsCreated(), (std::vector<std::string>{"CreateFontA(22, 9, 700, 0, Lucida Console)"}));
  EXPECT_NE(console::Config().ConsoleFont, nullptr);
}

TEST_F(ConsoleConfig, KeysPresentWithEmptyValuesKeepTheStartValues) {
  Read("[VIDEO]\nTABCORES=\nLENTO=\nCORFUNDO=\nCORLETRA=\nAMPLIF=\nLARGURALETRA=\n"
       "ALTURALETRA=\nPESOLETRA=\nCANTOTELA=\n[BRAILLE]\nMODO=\n");
  EXPECT_EQ(Colours(), Identity);
  EXPECT_EQ(Attribute(), 0x07);
  EXPECT_EQ(console::BrailleMode(), 0);
  EXPECT_EQ(console::Magnifier().ZoomFactor, 2);
  EXPECT_FALSE(console::Config().StartMaximized);
  EXPECT_EQ(FontsCreated(), (std::vector<std::string>{"CreateFontA(18, 12, 700, 0, Lucida Console)"}));
}

TEST_F(ConsoleConfig, SectionAndKeyNamesMatchWithoutRegardToCase) {
  Read("[video]\ncorletra=14\nCorFundo=1\n");
  EXPECT_EQ(Attribute(), 0x1E);
}

// --- TABCORES ----------------------------------------------------------------

TEST_F(ConsoleConfig, AShortColourListSetsOnlyItsEntries) {
  Read("[VIDEO]\nTABCORES=4,2\n");
  Table expected = Identity;
  expected[0] = 4;
  expected[1] = 2;
  EXPECT_EQ(Colours(), expected);
}

TEST_F(ConsoleConfig, ABadColourEntryIsStoredAsItsLeadingDigitsAndEndsTheList) {
  Read("[VIDEO]\nTABCORES=1,a,3\n");
  Table expected = Identity;
  expected[0] = 1;
  expected[1] = 0;
  EXPECT_EQ(Colours(), expected);
}

TEST_F(ConsoleConfig, ABlankAfterACommaShiftsTheCutAndEndsTheList) {
  Read("[VIDEO]\nTABCORES=0, 9, 10\n");
  Table expected = Identity;
  expected[0] = 0;
  expected[1] = 9;
  EXPECT_EQ(Colours(), expected);
}

TEST_F(ConsoleConfig, AFullColourListReplacesTheTableAndKeepsTheLow8Bits) {
  Read("[VIDEO]\nTABCORES=15,14,13,12,11,10,9,8,7,6,5,4,3,2,1,$10F\n");
  const Table expected = {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0x0F};
  EXPECT_EQ(Colours(), expected);
}

TEST_F(ConsoleConfig, EntriesBeyondTheSixteenthAreIgnored) {
  Read("[VIDEO]\nTABCORES=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1\n");
  for (std::uint8_t entry : Colours()) EXPECT_EQ(entry, 1);
}

// --- Colours -------------------------------------------------------------------

TEST_F(ConsoleConfig, ColourNumbersAreReadFromTheirLeadingDigits) {
  Read("[VIDEO]\nCORFUNDO=2\nCORLETRA=12abc\n");
  EXPECT_EQ(Attribute(), 0x2C);
}

TEST_F(ConsoleConfig, AForegroundThatIsNotANumberIsBlack) {
  Read("[VIDEO]\nCORLETRA=abc\n");
  EXPECT_EQ(Attribute(), 0x00);
}

TEST_F(ConsoleConfig, AForegroundOf16OrMoreReachesIntoTheBackgroundBits) {
  Read("[VIDEO]\nCORFUNDO=1\nCORLETRA=33\n");
  EXPECT_EQ(Attribute(), 0x10 | 33);
}

TEST_F(ConsoleConfig, HugeColourNumbersKeepOnlyTheirLow8Bits) {
  Read("[VIDEO]\nCORFUNDO=2147483647\nCORLETRA=-1\n");
  EXPECT_EQ(Attribute(), 0xFF);
  Read("[VIDEO]\nCORFUNDO=-2147483648\nCORLETRA=$101\n");
  EXPECT_EQ(Attribute(), 0x01);
}

// --- Flags and codes -------------------------------------------------------------

TEST_F(ConsoleConfig, SlowScrollingIsOnForAValueStartingWithS) {
  for (const char* value : {"S", "sim", "Sim"}) {
    Read((std::string("[VIDEO]\nLENTO=") + value + "\n").c_str());
    EXPECT_TRUE(console::Config().ScrollByCopy) << value;
  }
  for (const char* value : {"N", "nao", "xS", " "}) {
    Read((std::string("[VIDEO]\nLENTO=") + value + "\n").c_str());
    EXPECT_FALSE(console::Config().ScrollByCopy) << value;
  }
}

TEST_F(ConsoleConfig, TheZoomFactorIsTheFirstCharacterAnd7With0MeaningTwo) {
  const std::pair<const char*, int> cases[] = {{"5", 5}, {"57", 5}, {"0", 2}, {"8", 2},
                                               {"9", 1}, {"1", 1}, {"7", 7}};
  for (const auto& [value, factor] : cases) {
    Read((std::string("[VIDEO]\nAMPLIF=") + value + "\n").c_str());
    EXPECT_EQ(console::Magnifier().ZoomFactor, factor) << value;
  }
}

TEST_F(ConsoleConfig, TheBrailleModeIsTheFirstCharacterAnd3) {
  const std::pair<const char*, int> cases[] = {{"2", 2}, {"1", 1}, {"3", 3}, {"7", 3}, {"a", 1}};
  for (const auto& [value, mode] : cases) {
    Read((std::string("[BRAILLE]\nMODO=") + value + "\n").c_str());
    EXPECT_EQ(console::BrailleMode(), mode) << value;
  }
}

TEST_F(ConsoleConfig, TheBrailleModeIsReadOnlyFromTheBrailleSection) {
  Read("[VIDEO]\nMODO=2\n");
  EXPECT_EQ(console::BrailleMode(), 0);
}

TEST_F(ConsoleConfig, TheConfiguredBrailleModeIsAppliedWhenTheWindowIsCreated) {
  Restart("[BRAILLE]\nMODO=2\n");
  console::EnsureWindow();
  EXPECT_EQ(console::BrailleMode(), 2);
}

// --- Font and placement ------------------------------------------------------------

TEST_F(ConsoleConfig, TheFontIsMadeFromTheConfiguredFaceSizeAndWeight) {
  Read("[VIDEO]\nFONTE=Courier New\nLARGURALETRA=10px\nALTURALETRA=24\nPESOLETRA=400\n");
  EXPECT_EQ(FontsCreated(), (std::vector<std::string>{"CreateFontA(24, 10, 400, 0, Courier New)"}));
}

TEST_F(ConsoleConfig, AnEmptyFaceNameMakesNoFontAndStopsReading) {
  Restart("[VIDEO]\nFONTE=\nCANTOTELA=NAO\nLARGURALETRA=30\n");
  console::EnsureWindow();
  EXPECT_TRUE(FontsCreated().empty());
  EXPECT_EQ(console::Config().ConsoleFont, nullptr);
  EXPECT_TRUE(os().CallsStartingWith("GetPrivateProfileStringA(VIDEO, LARGURALETRA").empty());
  EXPECT_TRUE(os().CallsStartingWith("GetPrivateProfileStringA(VIDEO, CANTOTELA").empty());
  EXPECT_EQ(os().ShowCommand(), platform::SW_SHOW);
}

TEST_F(ConsoleConfig, TheWindowStartsMaximisedUnlessTheCornerValueStartsWithS) {
  const std::pair<const char*, int> cases[] = {{"NAO", platform::SW_SHOWMAXIMIZED},
                                               {"SIM", platform::SW_SHOW},
                                               {"s", platform::SW_SHOW}};
  for (const auto& [value, command] : cases) {
    Restart((std::string("[VIDEO]\nCANTOTELA=") + value + "\n").c_str());
    console::EnsureWindow();
    EXPECT_EQ(os().ShowCommand(), command) << value;
  }
}

TEST_F(ConsoleConfig, ReadingAgainReplacesTheFontInsteadOfLeakingIt) {
  Read(nullptr);
  console::ReadConsoleConfig();
  EXPECT_EQ(FontsCreated().size(), 2u);
  EXPECT_EQ(os().LiveGdiObjects(), 1);
}

}  // namespace
