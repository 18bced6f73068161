// Code-Point tiles: per postcode unit a point record "15", a geometry record
// "21" and an attribute record "14" of mnemonic-tagged values.
#include <string>

#include "ntfgen/generators.hpp"
#include "ntfgen/ntf_writer.hpp"

namespace ntfgen {

namespace {

struct Unit {
  std::string pc, pq, pr, tp, dq, rp, bp, pd, mp, um, cy, rh, lh, cc, dc, wc, ls;
};

void ClassRecords(NtfWriter& w) {
  const char* const classes[][3] = {
      {"PC", "007A7", "UNIT_POSTCODE"},      {"PQ", "002I2", "POSITIONAL_QUALITY"},
      {"PR", "001A1", "PO_BOX_INDICATOR"},   {"TP", "003I3", "TOTAL_DELIVERY_POINTS"},
      {"DQ", "003I3", "DELIVERY_POINTS"},    {"RP", "003I3", "DOMESTIC_DELIVERY_POINTS"},
      {"BP", "003I3", "NONDOMESTIC_DELIVERY_POINTS"}, {"PD", "003I3", "POBOX_DELIVERY_POINTS"},
      {"MP", "003I3", "MATCHED_ADDRESS_PREMISES"},    {"UM", "003I3", "UNMATCHED_DELIVERY_POINTS"},
      {"CY", "003I3", "COUNTY_CODE_NUMBER"}, {"RH", "003A3", "NHS_REGIONAL_HEALTH_AUTHORITY"},
      {"LH", "003A3", "NHS_HEALTH_AUTHORITY"}, {"CC", "002A2", "ADMIN_COUNTY"},
      {"DC", "002A2", "ADMIN_DISTRICT"},     {"WC", "002A2", "ADMIN_WARD"},
      {"LS", "001A1", "LOCATION_STATUS"},
  };
  for (const auto& c : classes) w.Record(std::string("40") + c[0] + c[1] + "   " + c[2] + "\\");
}

Unit RandomUnit(Rng& rng, std::int64_t n) {
  Unit u;
  const char* areas[] = {"NN", "NG", "SK", "LE", "DE"};
  std::string area = areas[rng.Range(0, 4)];
  u.pc = area + std::to_string(rng.Range(1, 9)) + " " + std::to_string(rng.Range(1, 9)) + rng.Letter() + rng.Letter();
  u.pc.resize(7, ' ');
  u.pq = Num(rng.Range(1, 9) * 10, 2);
  u.pr = rng.Chance(10) ? "L" : "S";
  const std::int64_t tp = rng.Range(1, 60);
  u.tp = Num(tp, 3);
  u.dq = Num(tp - rng.Range(0, tp / 4), 3);
  u.rp = Num(tp / 2, 3);
  u.bp = Num(tp - tp / 2, 3);
  u.pd = Num(rng.Range(0, 2), 3);
  u.mp = Num(tp - 1 > 0 ? tp - 1 : 0, 3);
  u.um = Num(1, 3);
  u.cy = Num(30 + n % 8, 3);
  u.rh = "Q3" + std::to_string(rng.Range(4, 6));
  u.lh = std::string("QK") + std::to_string(rng.Range(1, 3));
  u.cc = Num(rng.Range(11, 44), 2);
  u.dc = std::string(1, rng.Letter()) + rng.Letter();
  u.wc = std::string(1, rng.Letter()) + rng.Letter();
  u.ls = std::to_string(rng.Range(1, 3));
  return u;
}

std::string Tagged(const Unit& u) {
  return "PC" + u.pc + "PQ" + u.pq + "PR" + u.pr + "TP" + u.tp + "DQ" + u.dq + "RP" + u.rp + "BP" + u.bp + "PD" +
         u.pd + "MP" + u.mp + "UM" + u.um + "CY" + u.cy + "RH" + u.rh + "LH" + u.lh + "CC" + u.cc + "DC" + u.dc +
         "WC" + u.wc + "LS" + u.ls;
}

void Feature(NtfWriter& w, std::int64_t id, std::int64_t x, std::int64_t y, const std::string& attributes) {
  w.Record("15" + Num(id, 6) + Num(id, 6) + "01" + Num(id * 10, 7));
  w.Record("21" + Num(id, 6) + "1" + "0001" + Num(x, 7) + Num(y, 7) + " ");
  w.Record("14" + Num(id, 6) + attributes);
}

}  // namespace

std::string GenerateCodePoint(const Options& options) {
  NtfWriter w(options.lineEnd);
  Rng rng(options.seed);
  w.Headers("CODE_POINT_1999.01");
  ClassRecords(w);
  w.SectionHeader("SK52", 1.0, 0, 0);

  std::int64_t id = 0;
  auto next = [&] { ++id; return std::pair{rng.Range(450000, 480000), rng.Range(320000, 350000)}; };

  if (options.size == Size::Small) {
    Unit u = RandomUnit(rng, 1);
    // Every mnemonic in table order.
    { auto [x, y] = next(); Feature(w, id, x, y, Tagged(u)); }
    // No PR: the row has an empty value between PQ and TP.
    { auto [x, y] = next(); std::string t = Tagged(u); t.erase(t.find("PR"), 3); Feature(w, id, x, y, t); }
    // No PC: the rest is still found from column 9.
    { auto [x, y] = next(); std::string t = Tagged(u); t.erase(0, 9); Feature(w, id, x, y, t); }
    // PR before PQ: PQ and everything after PR read empty.
    { auto [x, y] = next(); Feature(w, id, x, y, "PC" + u.pc + "PR" + u.pr + "PQ" + u.pq + "TP" + u.tp + "DQ" + u.dq); }
    // Only PC and PQ.
    { auto [x, y] = next(); Feature(w, id, x, y, "PC" + u.pc + "PQ" + u.pq); }
    // RH, LH and CC missing in the middle.
    {
      auto [x, y] = next();
      std::string t = Tagged(u);
      t.erase(t.find("RH"), 5 + 5 + 4);
      Feature(w, id, x, y, t);
    }
    // Records cut inside a field across lines.
    {
      auto [x, y] = next();
      w.Record("15" + Num(id, 6) + Num(id, 6) + "01" + Num(id * 10, 7));
      w.RecordCutAt("21" + Num(id, 6) + "1" + "0001" + Num(x, 7) + Num(y, 7) + " ", {17});
      w.RecordCutAt("14" + Num(id, 6) + Tagged(u), {12, 40});
    }
    // A postcode with an embedded blank, and values holding a comma and a
    // double quote (they are quoted in the MID file).
    {
      auto [x, y] = next();
      Unit v = u;
      v.pc = "NN1 2AB";
      v.rh = "Q,3";
      v.lh = "Q\"1";
      Feature(w, id, x, y, Tagged(v));
    }
    // A point whose attribute record comes a record late, after an ignored
    // record: the n-th point still pairs with the n-th row.
    {
      auto [x, y] = next();
      w.Record("15" + Num(id, 6) + Num(id, 6) + "01" + Num(id * 10, 7));
      w.Record("21" + Num(id, 6) + "1" + "0001" + Num(x, 7) + Num(y, 7) + " ");
      w.Record("05" + Num(id, 6) + "IGNORED");
      w.Record("14" + Num(id, 6) + Tagged(u));
    }
    w.End();
    return w.Take();
  }

  const std::int64_t count = options.size == Size::Medium ? 600 : 50000;
  for (std::int64_t n = 0; n < count; ++n) {
    auto [x, y] = next();
    Unit u = RandomUnit(rng, n);
    std::string t = Tagged(u);
    if (rng.Chance(5)) t.erase(t.find("PR"), 3);
    Feature(w, id, x, y, t);
  }
  w.End();
  return w.Take();
}

}  // namespace ntfgen
