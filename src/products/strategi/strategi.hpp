// Strategi: every feature is a short run of records (for a text "43" and
// "45", then one geometry record "21" and last its attribute record "14"),
// written as one POINT, PLINE or TEXT object with a 34-value row when its
// attribute record arrives. Node records ("16") go to the network file.
#pragma once

#include <string_view>

#include "products/strategi/strategi_styles.hpp"
#include "run/context.hpp"

namespace quorvel {

// What a Strategi tile leaves for the next tile of the same output set: the
// last style found and the last text representation.
struct StrategiCarried final : CarriedState {
  StrategiStyleResult style;
  long double textHeight = 0;  // H, millimetres
  int digitPosition = 0;       // P, 0-9
  long double textAngle = 0;   // A, degrees
  std::int64_t textAngleTenths = 0;  // A as its four digits' count of tenths; -1 for other fields
};

// The attribute group of a feature code ('A' to 'R'), or 0 for a code whose
// record carries nothing beyond Id, FCode and DE.
char StrategiAttributeGroup(std::int64_t code);

// The attribute columns a group fills, read from a joined "14" record
// whose end mark has been removed. The views point into the record.
struct StrategiAttributes {
  std::string_view LO, UE, HI, HM, NU, RB, RU, TX, GS, FM, OW, CM, UN, DN;
};
void ReadStrategiAttributes(std::string_view record, char group, StrategiAttributes& out);

// The attributes in the order of their row columns (the order of the
// struct), and per group the ones it can fill: bit i for the i-th of them.
inline constexpr std::string_view StrategiAttributes::* kStrategiRowOrder[] = {
    &StrategiAttributes::LO, &StrategiAttributes::UE, &StrategiAttributes::HI, &StrategiAttributes::HM,
    &StrategiAttributes::NU, &StrategiAttributes::RB, &StrategiAttributes::RU, &StrategiAttributes::TX,
    &StrategiAttributes::GS, &StrategiAttributes::FM, &StrategiAttributes::OW, &StrategiAttributes::CM,
    &StrategiAttributes::UN, &StrategiAttributes::DN};
unsigned StrategiAttributeSlots(char group);

FileOutcome TranslateStrategi(FileContext& ctx);

}  // namespace quorvel
