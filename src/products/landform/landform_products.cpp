#include "products/landform/landform.hpp"
#include "products/common/match.hpp"
#include "products/registry.hpp"

namespace quorvel {

namespace {

constexpr std::string_view kGridColumns[] = {"Height Integer"};
constexpr std::string_view kPanoramaContourColumns[] = {
    "HT Integer", "Section char (10)", "Id integer", "FCode smallint", "Description char (42)"};
constexpr std::string_view kProfileContourColumns[] = {
    "HT_cm integer", "Section char (10)", "Id integer", "FCode smallint", "Description char (42)"};

constexpr HeaderStyle kContourHeader{"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "Columns ", "DATA"};

bool IsPanoramaDtm(std::string_view name) { return WholeName(name, "OS_LANDRANGER_DTM   "); }
bool IsPanoramaContour(std::string_view name) { return WholeName(name, "OS_LANDRANGER_CONT  "); }
bool IsProfileDtm(std::string_view name) { return WholeName(name, "L-F_PROFILE_DTM     "); }
bool IsProfileContour(std::string_view name) { return WholeName(name, "L-F_PROFILE_CON     "); }

}  // namespace

extern const ProductDescriptor kPanoramaDtmProduct{
    .key = "panorama-dtm",
    .nameShown = "Land-Form PANORAMA DTM",
    .Matches = IsPanoramaDtm,
    .headerStyle = kMixedCaseHeader,
    .columns = kGridColumns,
    .translate = TranslatePanoramaGrid,
};

extern const ProductDescriptor kPanoramaContourProduct{
    .key = "panorama-contours",
    .nameShown = "Land-Form PANORAMA Contour",
    .Matches = IsPanoramaContour,
    .headerStyle = kContourHeader,
    .columns = kPanoramaContourColumns,
    .translate = TranslatePanoramaContours,
};

extern const ProductDescriptor kProfileDtmProduct{
    .key = "profile-dtm",
    .nameShown = "Land-Form Profile DTM",
    .Matches = IsProfileDtm,
    .headerStyle = kMixedCaseHeader,
    .columns = kGridColumns,
    .translate = TranslateProfileGrid,
};

extern const ProductDescriptor kProfileContourProduct{
    .key = "profile-contours",
    .nameShown = "Land-Form PROFILE Contour",
    .Matches = IsProfileContour,
    .headerStyle = kContourHeader,
    .columns = kProfileContourColumns,
    .translate = TranslateProfileContours,
};

}  // namespace quorvel
