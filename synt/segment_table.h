// The 87 recorded fragments of fones.DAT.  The number of a segment is its
// place in this table, not its place in the file: three pairs lie in the file
// the other way round (54 before 53, 68 before 67, 76 before 75).
//
// This table is the one source of the ranges, for the game and for the tool
// that builds fones.DAT.  The bounds are kept as decimal text because they are
// spliced unchanged into the play command.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace synt {

struct Segment {
  std::string_view start;  // first sample
  std::string_view end;    // the sample where play stops
};

constexpr int SegmentCount = 87;

// clang-format off
inline constexpr std::array<Segment, SegmentCount> SegmentTable{{
    {"6615", "12120"},          // 1: wait 183 ms
    {"15300", "20000"},         // 2: wait 156 ms
    {"38140", "44310"},         // 3: wait 205 ms
    {"125895", "133835"},       // 4: wait 264 ms
    {"220075", "225600"},       // 5: wait 184 ms
    {"251610", "262635"},       // 6: wait 367 ms
    {"263075", "271000"},       // 7: wait 264 ms
    {"289755", "298575"},       // 8: wait 294 ms
    {"328335", "336200"},       // 9: wait 262 ms
    {"353030", "360000"},       // 10: wait 232 ms
    {"364055", "372875"},       // 11: wait 294 ms
    {"373095", "384120"},       // 12: wait 367 ms
    {"403200", "409000"},       // 13: wait 193 ms
    {"411015", "416400"},       // 14: wait 179 ms
    {"417405", "421375"},       // 15: wait 132 ms
    {"450800", "458410"},       // 16: wait 253 ms
    {"509785", "518165"},       // 17: wait 279 ms
    {"529630", "540655"},       // 18: wait 367 ms
    {"620455", "623535"},       // 19: wait 102 ms
    {"691880", "702905"},       // 20: wait 367 ms
    {"746300", "750000"},       // 21: wait 123 ms
    {"751855", "758100"},       // 22: wait 208 ms
    {"773890", "780505"},       // 23: wait 220 ms
    {"818420", "827240"},       // 24: wait 294 ms
    {"906910", "909110"},       // 25: wait 73 ms
    {"909770", "918590"},       // 26: wait 294 ms
    {"965975", "972590"},       // 27: wait 220 ms
    {"981850", "988465"},       // 28: wait 220 ms
    {"1080385", "1087000"},     // 29: wait 220 ms
    {"1094055", "1097700"},     // 30: wait 121 ms
    {"1120950", "1127000"},     // 31: wait 201 ms
    {"1127565", "1136385"},     // 32: wait 294 ms
    {"1259615", "1268435"},     // 33: wait 294 ms
    {"1347000", "1350200"},     // 34: wait 106 ms
    {"1354820", "1361435"},     // 35: wait 220 ms
    {"1395595", "1406620"},     // 36: wait 367 ms
    {"1429985", "1438805"},     // 37: wait 294 ms
    {"1462575", "1471395"},     // 38: wait 294 ms
    {"1512390", "1520100"},     // 39: wait 257 ms
    {"1550090", "1558690"},     // 40: wait 286 ms
    {"1616410", "1624400"},     // 41: wait 266 ms
    {"1698620", "1705500"},     // 42: wait 229 ms
    {"1727940", "1735000"},     // 43: wait 235 ms
    {"1739180", "1748000"},     // 44: wait 294 ms
    {"1769820", "1776215"},     // 45: wait 213 ms
    {"1779435", "1783395"},     // 46: wait 132 ms
    {"1785030", "1789225"},     // 47: wait 139 ms
    {"1797075", "1798700"},     // 48: wait 54 ms
    {"1803545", "1810160"},     // 49: wait 220 ms
    {"1825370", "1829110"},     // 50: wait 124 ms
    {"1842985", "1849380"},     // 51: wait 213 ms
    {"1912650", "1921250"},     // 52: wait 286 ms
    {"1980090", "1981900"},     // 53: wait 60 ms
    {"1969080", "1977900"},     // 54: wait 294 ms
    {"1987600", "1992900"},     // 55: wait 176 ms
    {"2001020", "2007000"},     // 56: wait 199 ms
    {"2009840", "2016455"},     // 57: wait 220 ms
    {"2029890", "2036505"},     // 58: wait 220 ms
    {"2047745", "2054360"},     // 59: wait 220 ms
    {"2096020", "2102635"},     // 60: wait 220 ms
    {"2214925", "2219105"},     // 61: wait 139 ms
    {"2221525", "2226900"},     // 62: wait 179 ms
    {"2250565", "2257300"},     // 63: wait 224 ms
    {"2262330", "2271000"},     // 64: wait 289 ms
    {"2282260", "2287320"},     // 65: wait 168 ms
    {"2323185", "2331105"},     // 66: wait 264 ms
    {"2392425", "2394000"},     // 67: wait 52 ms
    {"2375140", "2379980"},     // 68: wait 161 ms
    {"2409030", "2413650"},     // 69: wait 154 ms
    {"2434135", "2438755"},     // 70: wait 154 ms
    {"2443165", "2448445"},     // 71: wait 176 ms
    {"2450650", "2457200"},     // 72: wait 218 ms
    {"2479050", "2483230"},     // 73: wait 139 ms
    {"2503500", "2507020"},     // 74: wait 117 ms
    {"2555595", "2559655"},     // 75: wait 135 ms
    {"2545800", "2550100"},     // 76: wait 143 ms
    {"2572735", "2574935"},     // 77: wait 73 ms
    {"2633755", "2638000"},     // 78: wait 141 ms
    {"2644000", "2650100"},     // 79: wait 203 ms
    {"2662835", "2668555"},     // 80: wait 190 ms
    {"2748730", "2754670"},     // 81: wait 198 ms
    {"2906830", "2911000"},     // 82: wait 139 ms
    {"2947570", "2952850"},     // 83: wait 176 ms
    {"2955720", "2961660"},     // 84: wait 198 ms
    {"2964750", "2970910"},     // 85: wait 205 ms
    {"2981710", "2988530"},     // 86: wait 227 ms
    {"3001305", "3007025"},     // 87: wait 190 ms
}};
// clang-format on

static_assert(SegmentTable.size() == SegmentCount);

// Segment n, counted from 1.
constexpr const Segment& SegmentNumber(int number) {
  return SegmentTable[static_cast<std::size_t>(number - 1)];
}

constexpr std::int32_t DecimalValue(std::string_view text) {
  std::int32_t value = 0;
  for (char digit : text) value = value * 10 + (digit - '0');
  return value;
}

// The wait after a segment starts, in milliseconds: the range's length in
// samples divided by 30, whatever the sample rate of the file.
constexpr std::int32_t SegmentWait(const Segment& segment) {
  return (DecimalValue(segment.end) - DecimalValue(segment.start)) / 30;
}

}  // namespace synt
