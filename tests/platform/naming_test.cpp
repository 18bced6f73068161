// The names Windows refuses or takes for another, checked on any system.
#include <gtest/gtest.h>

#include "platform/naming.hpp"

using namespace quorvel::platform;

namespace {

TEST(WindowsNames, DeviceNamesAreRefusedWithAnyExtensionAndCase) {
  for (const char* name : {"CON", "con.mif", "Prn.MID", "aux.txt", "NUL", "nul.tar.gz", "COM1.mif", "lpt9",
                           "com5.ntf", "CON .mif"})
    EXPECT_EQ(ProblemOfName(name, NameRules::Windows), NameProblem::DeviceName) << name;
  for (const char* name : {"CONSOLE.mif", "icon.mif", "COM0.mif", "COM10.mif", "LPT.mif", "nullify", "xCON",
                           "tile_CON.mif"})
    EXPECT_EQ(ProblemOfName(name, NameRules::Windows), NameProblem::None) << name;
}

TEST(WindowsNames, AFinalDotOrBlankIsRefusedButDotFoldersPass) {
  for (const char* name : {"tile.", "tile ", "tile.mif.", "a.. "})
    EXPECT_EQ(ProblemOfName(name, NameRules::Windows), NameProblem::EndsInDotOrBlank) << name;
  for (const char* name : {".", "..", ".hidden", "tile.mif", " leading"})
    EXPECT_EQ(ProblemOfName(name, NameRules::Windows), NameProblem::None) << name;
}

TEST(WindowsNames, PosixRulesRefuseNothingAndKeepCase) {
  for (const char* name : {"CON", "nul.mif", "tile.", "tile "})
    EXPECT_EQ(ProblemOfName(name, NameRules::Posix), NameProblem::None) << name;
  EXPECT_NE(ComparedName("out/tile.mif", NameRules::Posix), ComparedName("out/TILE.mif", NameRules::Posix));
}

TEST(WindowsNames, NamesThatDifferOnlyInCaseOrSeparatorCompareEqual) {
  EXPECT_EQ(ComparedName("out/tile.mif", NameRules::Windows), ComparedName("OUT\\TILE.MIF", NameRules::Windows));
  EXPECT_NE(ComparedName("out/tile1.mif", NameRules::Windows), ComparedName("out/tile2.mif", NameRules::Windows));
}

}  // namespace
