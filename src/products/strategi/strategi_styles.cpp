#include "products/strategi/strategi_styles.hpp"

#include "ntf/record.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "mif/format.hpp"

namespace quorvel {

namespace {

// Code, description, layer, enabling check box, standard clause, TrueType
// symbol (shape, colour, font, style, rotated). Descriptions are kept exactly
// as the product has always written them, odd spellings and the trailing
// blank of 5419 included.
constexpr StrategiStyleRow kRows[] = {
    {"5006", "NPR town graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5016", "Other graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5020", "Water feature graphic text", 9, 0, "  FONT (\"Arial\",0,0,255)", {}},
    {"5025", "PRD city graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5026", "NPR city graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5031", "Motorway number graphic text", 9, 0, "  FONT (\"Arial\",0,0,255)", {}},
    {"5032", "Primary route number graphic text", 9, 0, "  FONT (\"Arial\",0,0,33280)", {}},
    {"5033", "A road number graphic text", 9, 0, "  FONT (\"Arial\",0,0,16711680)", {}},
    {"5034", "B road number graphic text", 9, 0, "  FONT (\"Arial\",0,0,8421376)", {}},
    {"5036", "Road distance (motorway) graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5037", "Road distance (primary and A) graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5038", "Toll graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5039", "Ferry annotation graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5040", "NPR village graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5041", "PRD town graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5042", "Mway junct no (full access) graphic text", 9, 0, "  FONT (\"Arial\",0,0,12480)", {}},
    {"5043", "Mway junct no (limited access) graphic text", 9, 0, "  FONT (\"Arial\",0,0,49344)", {}},
    {"5044", "Tourist feature graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5045", "Long distance footpath graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5046", "National park/forest park graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5049", "PRD village graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5060", "Geographical area graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5061", "Large hills and ranges graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5062", "Hills, islands and rocks graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5081", "Roman antiquity graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5082", "Non-Roman antiquities graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5090", "Spot height value graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5107", "Road distance marker (primary and A)", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5108", "Road distance marker (motorway)", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5109", "Dual junction graphic text divider line", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5110", "Coastline", 2, 2, "  PEN (1,2,0)", {}},
    {"5111", "Coastline man-made", 2, 2, "  PEN (1,2,0)", {}},
    {"5115", "Sea seed below mean high water", 2, 2, "  SYMBOL (31,0,1)", {}},
    {"5120", "Foreshore (sand, outer limit)", 2, 2, "  PEN (1,2,12632064)", {}},
    {"5121", "Foreshore (sand) seed", 2, 2, "  SYMBOL (31,0,1)", {}},
    {"5122", "Foreshore (other, outer limit)", 2, 2, "  PEN (1,2,12632064)", {}},
    {"5123", "Foreshore (other) seed", 2, 2, "  SYMBOL (31,0,1)", {}},
    {"5140", "Lighthouse (in use)", 2, 2, "  SYMBOL (66,16711680,9)", {81, 16711680, "MapInfo Real Estate", 0, false}},
    {"5141", "Lightship", 2, 2, "  SYMBOL (66,0,9)", {106, 16711680, "MapInfo Transportation", 0, false}},
    {"5142", "Lighthouse (disused)", 2, 2, "  SYMBOL (66,0,9)", {81, 0, "MapInfo Real Estate", 0, false}},
    {"5200", "Unspecified node", 3, 3, "  SYMBOL (31,0,1)", {}},
    {"5211", "River (primary), source", 2, 2, "  PEN (2,2,65535)", {}},
    {"5212", "River (primary), middle", 2, 2, "  PEN (2,2,65535)", {}},
    {"5213", "River (primary), lower", 2, 2, "  PEN (2,2,65535)", {}},
    {"5221", "River (secondary), source", 2, 2, "  PEN (1,2,65535)", {}},
    {"5222", "River (secondary), middle", 2, 2, "  PEN (1,2,65535)", {}},
    {"5230", "River (other and drains", 2, 2, "  PEN (1,2,65535)", {}},
    {"5240", "Canal", 2, 2, "  PEN (1,50,65535)", {}},
    {"5241", "Canal tunnel", 2, 2, "  PEN (1,52,65535)", {}},
    {"5242", "Canal (over)", 2, 2, "  PEN (1,50,65535)", {}},
    {"5243", "Canal tunnel (end symbol)", 2, 3, "  SYMBOL (31,0,1)", {}},
    {"5250", "Inland water (outer limit)", 2, 2, "  PEN (1,2,65535)", {}},
    {"5251", "Inland water seed", 2, 2, "  SYMBOL (31,0,1)", {}},
    {"5300", "Motorway (U/C)", 1, 1, "  PEN (2,6,255)", {}},
    {"5301", "Motorway (U/C, over", 1, 1, "  PEN (2,6,255)", {}},
    {"5302", "Primary route, D/C (U/C)", 1, 1, "  PEN (2,6,33280)", {}},
    {"5303", "Primary route, D/C (U/C, over)", 1, 1, "  PEN (2,6,33280)", {}},
    {"5304", "Primary route, S/C (U/C)", 1, 1, "  PEN (2,6,33280)", {}},
    {"5305", "Primary route, S/C (U/C, over)", 1, 1, "  PEN (2,6,33280)", {}},
    {"5306", "A road, D/C (U/C)", 1, 1, "  PEN (2,6,16711680)", {}},
    {"5307", "A road, D/C (U/C, over)", 1, 1, "  PEN (2,6,16711680)", {}},
    {"5308", "A road, S/C (U/C)", 1, 1, "  PEN (1,6,16711680)", {}},
    {"5309", "A road, S/C (over)", 1, 1, "  PEN (1,6,16711680)", {}},
    {"5310", "Motorway", 1, 1, "  PEN (2,2,255)", {}},
    {"5311", "Motorway, planned", 1, 1, "  PEN (2,7,255)", {}},
    {"5312", "Motorway (over)", 1, 1, "  PEN (2,2,255)", {}},
    {"5313", "Motorway tunnel", 1, 1, "  PEN (2,13,255)", {}},
    {"5314", "Road tunnel (end symbol)", 1, 1, "  SYMBOL (31,6316128,5)", {}},
    {"5320", "Primary route, D/C", 1, 1, "  PEN (2,2,33280)", {}},
    {"5321", "Primary route, D/C (planned)", 1, 1, "  PEN (2,7,33280)", {}},
    {"5322", "Primary route, D/C (over)", 1, 1, "  PEN (2,2,33280)", {}},
    {"5323", "Primary route, S/C", 1, 1, "  PEN (1,2,33280)", {}},
    {"5324", "Primary route, S/C (planned)", 1, 1, "  PEN (1,7,33280)", {}},
    {"5325", "Primary route, S/C (over)", 1, 1, "  PEN (1,2,33280)", {}},
    {"5326", "Primary route, narrow", 1, 1, "  PEN (1,2,33280)", {}},
    {"5327", "Primary route, narrow (over)", 1, 1, "  PEN (1,2,33280)", {}},
    {"5330", "A road, D/C", 1, 1, "  PEN (2,2,16711680)", {}},
    {"5331", "A road, D/C (planned)", 1, 1, "  PEN (2,7,16711680)", {}},
    {"5332", "A road, D/C (over)", 1, 1, "  PEN (2,2,16711680)", {}},
    {"5333", "A road, S/C", 1, 1, "  PEN (1,2,16711680)", {}},
    {"5334", "A road, S/C planned", 1, 1, "  PEN (2,7,16711680)", {}},
    {"5335", "A road, S/C (over)", 1, 1, "  PEN (1,2,16711680)", {}},
    {"5336", "A road, narrow", 1, 1, "  PEN (1,2,16711680)", {}},
    {"5337", "A road, narrow (over)", 1, 1, "  PEN (1,2,16711680)", {}},
    {"5340", "B road, D/C)", 1, 1, "  PEN (2,2,8421376)", {}},
    {"5342", "B road, D/C (over)", 1, 1, "  PEN (2,2,8421376)", {}},
    {"5343", "B road, S/C", 1, 1, "  PEN (1,2,8421376)", {}},
    {"5345", "B road, S/C (over)", 1, 1, "  PEN (1,2,8421376)", {}},
    {"5346", "B road, narrow", 1, 1, "  PEN (1,2,8421376)", {}},
    {"5347", "B road, narrow (over)", 1, 1, "  PEN (1,2,8421376)", {}},
    {"5350", "Minor road over 4 metres wide", 1, 1, "  PEN (1,2,6316128)", {}},
    {"5351", "Minor road over 4 metres wide (over)", 1, 1, "  PEN (1,2,6316128)", {}},
    {"5353", "Minor road over 4 metres wide tunnel", 1, 1, "  PEN (1,4,6316128)", {}},
    {"5355", "Roundabout (Primary route, D/C)", 1, 1, "  SYMBOL (34,33280,7)", {}},
    {"5356", "Roundabout (A road, D/C)", 1, 1, "  SYMBOL (34,16711680,7)", {}},
    {"5357", "Roundabout (B road, D/C)", 1, 1, "  SYMBOL (34,16760832,7)", {}},
    {"5358", "A road tunnel", 1, 1, "  PEN (1,3,16711680)", {}},
    {"5359", "B road tunnel", 1, 1, "  PEN (1,3,16760832)", {}},
    {"5360", "Service station (full access)", 1, 1, "  SYMBOL (33,65536,9)", {}},
    {"5361", "Service station (limited access)", 1, 1, "  SYMBOL (33,16711935,9)", {}},
    {"5362", "Motorway services under construction", 1, 1, "  SYMBOL (33,1677960,9)", {}},
    {"5363", "Motorway services limited access under construction", 1, 1, "  SYMBOL (33,65535,9)", {}},
    {"5364", "Primary route services limited access", 1, 1, "  SYMBOL (33,16711935,9)", {}},
    {"5365", "Primary route services", 1, 1, "  SYMBOL (33,65535,9)", {}},
    {"5370", "Motorway junction (full access)", 1, 1, "  SYMBOL (34,3175935,9)", {}},
    {"5371", "Motorway junction (limited access)", 1, 1, "  SYMBOL (34,16711935,9)", {}},
    {"5372", "Motorway junction (U/C)", 1, 1, "  SYMBOL (34,16776960,9)", {}},
    {"5373", "Primary route tunnel", 1, 1, "  PEN (2,3,33280)", {}},
    {"5374", "Roundabout (Minor road over 4m wide)", 1, 1, "  SYMBOL (34,6316128,5)", {}},
    {"5375", "Roundabout (Primary route, S/C)", 1, 1, "  SYMBOL (34,33280,6)", {}},
    {"5376", "Roundabout (A road, S/C)", 1, 1, "  SYMBOL (34,16711680,7)", {}},
    {"5377", "Roundabout (B road, S/C)", 1, 1, "  SYMBOL (34,16760832,9)", {}},
    {"5378", "Multi-level junction (U/C)", 1, 1, "  SYMBOL (40,0,7)", {}},
    {"5379", "Multi-level junction", 1, 1, "  SYMBOL (46,0,7)", {}},
    {"5380", "Gradient 1 in 7 or steeper", 1, 1, "  SYMBOL (31,1,1)", {}},
    {"5381", "Roundabout (U/C)", 1, 1, "  SYMBOL (34,1677960,6)", {}},
    {"5382", "Toll bar", 1, 1, "  SYMBOL (31,2,0)", {}},
    {"5384", "Other track or road", 1, 1, "  PEN (1,2,0)", {}},
    {"5385", "Other track or road (over)", 1, 1, "  PEN (1,2,0)", {}},
    {"5389", "Limited multi-level junction", 1, 8, "  SYMBOL (46,0,7)", {}},
    {"5390", "Vehicular ferry route", 1, 1, "  PEN (1,9,255)", {}},
    {"5393", "Ferry route link", 1, 1, "  PEN (1,1,0)", {}},
    {"5397", "100km accentuated grid line", 7, 7, "  PEN (1,5,1)", {}},
    {"5398", "10km grid line", 7, 7, "  PEN (1,3,1)", {}},
    {"5403", "Dead-end road gen under 4m wide", 1, 1, "  PEN (1,2,1)", {}},
    {"5404", "Dead-end road gen under 4m wide (over)", 1, 1, "  PEN (1,2,1)", {}},
    {"5405", "Minor road under 4 metres wide", 1, 1, "  PEN (1,2,6316128)", {}},
    {"5406", "Minor road under 4 metres wide (over)", 1, 1, "  PEN (1,2,6316128)", {}},
    {"5407", "Minor road under 4 metres wide tunnel", 1, 1, "  PEN (1,6,6316128)", {}},
    {"5408", "Roundabout (Minor road under 4m wide)", 1, 1, "  SYMBOL (34,0,7)", {}},
    {"5413", "Town attribute point", 3, 3, "  SYMBOL (46,16777215,9)", {}},
    {"5416", "Village attribute point", 3, 3, "  SYMBOL (46,16777215,7)", {}},
    {"5419", "Landmark attribute point ", 3, 3, "  SYMBOL (46,16777215,7)", {}},
    {"5420", "Large urban area (outer limit)", 3, 3, "  PEN (1,2,12632256)", {}},
    {"5421", "Large urban area seed", 3, 3, "  SYMBOL (31,0,1)", {}},
    {"5422", "Small urban area (outer limit)", 3, 3, "  PEN (1,2,12632256)", {}},
    {"5423", "Small urban area seed", 3, 3, "  SYMBOL (31,0,1)", {}},
    {"5427", "City attribute point", 3, 5, "  SYMBOL (46,16777215,9)", {}},
    {"5490", "Inland water (inner limit)", 2, 2, "  PEN (1,10,65535)", {}},
    {"5491", "Wood/forest (inner limit)", 5, 5, "  PEN (1,10,33280)", {}},
    {"5492", "Large urban area (inner limit)", 3, 3, "  PEN (1,10,1)", {}},
    {"5493", "Small urban area (inner limit)", 3, 3, "  PEN (1,10,1)", {}},
    {"5494", "Foreshore (sand, inner limit)", 2, 2, "  PEN (1,10,12632064)", {}},
    {"5495", "Foreshore (other, inner limit)", 2, 2, "  PEN (1,10,1)", {}},
    {"5510", "Railway, standard gauge", 1, 1, "  PEN (1,28,0)", {}},
    {"5511", "Railway, standard gauge (over)", 1, 1, "  PEN (1,28,0)", {}},
    {"5512", "Railway, narrow gauge", 1, 1, "  PEN (1,26,0)", {}},
    {"5513", "Railway, narrow gauge (over)", 1, 1, "  PEN (1,26,0)", {}},
    {"5514", "Railway tunnel", 1, 1, "  PEN (1,12,0)", {}},
    {"5515", "Railway tunnel (end symbol)", 1, 1, "  SYMBOL (31,0,1)", {}},
    {"5519", "Railway, standard gauge (U/C)", 1, 1, "  PEN (1,12,1)", {}},
    {"5520", "Railway station", 1, 1, "  SYMBOL (34,16711680,6)", {}},
    {"5521", "Rapid transit station", 1, 1, "  SYMBOL (34,8388736,6)", {}},
    {"5522", "Rapid transit line", 1, 1, "  PEN (1,31,1)", {}},
    {"5523", "Rapid transit line (over)", 1, 1, "  PEN (1,31,1)", {}},
    {"5524", "Rapid transit line tunnel", 1, 1, "  PEN (1,12,1)", {}},
    {"5525", "Rapid transit line (U/C)", 1, 1, "  PEN (1,12,1)", {}},
    {"5530", "Level crossing on classified road", 1, 1, "  SYMBOL (50,16711680,9)", {}},
    {"5531", "Level crossing on unclassified road", 1, 1, "  SYMBOL (50,16711680,9)", {}},
    {"5610", "Wood/forest (outer limit)", 5, 5, "  PEN (1,3,49152)", {}},
    {"5611", "Wood/forest seed", 5, 5, "  SYMBOL (31,0,1)", {}},
    {"5612", "Marsh", 5, 5, "  SYMBOL (31,0,1)", {106, 16711680, "MapInfo Cartographic", 0, false}},
    {"5620", "Geographic area attribute point", 5, 5, "  SYMBOL (31,0,1)", {}},
    {"5621", "Island area attribute point", 2, 2, "  SYMBOL (31,0,1)", {}},
    {"5710", "National boundary", 4, 4, "  PEN (3,2,6316128)", {}},
    {"5715", "National primary attribute point", 4, 4, "  SYMBOL (31,0,1)", {}},
    {"5720", "County boundary", 4, 4, "  PEN (1,42,6316128)", {}},
    {"5721", "County name graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5725", "County primary attribute point", 4, 5, "  SYMBOL (31,0,1)", {}},
    {"5726", "Ceremonial county or county boundary seed detached", 4, 4, "  SYMBOL (31,0,1)", {}},
    {"5730", "District boundary", 4, 4, "  PEN (1,6,0)", {}},
    {"5731", "District name graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5733", "District primary attribute point", 4, 4, "  SYMBOL (31,0,1)", {}},
    {"5734", "Administrative detached attribute point", 4, 4, "  SYMBOL (31,0,1)", {}},
    {"5740", "Unitary boundary", 4, 4, "  PEN (1,6,0)", {}},
    {"5741", "Unitary authority name graphic text", 9, 0, "  FONT (\"Arial\",0,0,0)", {}},
    {"5744", "Unitary primary attribute point", 4, 4, "  SYMBOL (31,0,1)", {}},
    {"5750", "Associated area boundary", 4, 4, "  PEN (1,11,0)", {}},
    {"5805", "Camping and caravanning combined site", 6, 6, "  SYMBOL (31,0,10)", {34, 16711680, "MapInfo Miscellaneous", 1, false}},
    {"5806", "Park and ride", 6, 6, "  SYMBOL (31,0,10)", {}},
    {"5810", "Roman road", 6, 5, "  PEN (1,5,0)", {}},
    {"5812", "Antiquity line detail (dyke, wall, etc)", 5, 5, "  PEN (1,3,0)", {}},
    {"5815", "Hill fort", 6, 5, "  SYMBOL (53,0,9)", {112, 0, "MapInfo Cartographic", 0, false}},
    {"5816", "Battlefield", 6, 5, "  SYMBOL (64,0,9)", {39, 0, "MapInfo Miscellaneous", 0, false}},
    {"5820", "National park/Forest park", 4, 4, "  PEN (1,3,25516711680)", {}},
    {"5821", "National park/Forest park attrib point", 4, 4, "  SYMBOL (31,0,1)", {}},
    {"5825", "Long distance footpath", 1, 1, "  PEN (2,12,33280)", {}},
    {"5835", "Television, radio mast or tower", 5, 5, "  SYMBOL (42,0,9)", {80, 0, "MapInfo Real Estate", 0, false}},
    {"5837", "Telephone dot", 6, 5, "  SYMBOL (34,0,2)", {}},
    {"5838", "Landmark/antiquity dot", 6, 5, "  SYMBOL (32,0,4)", {112, 16711680, "MapInfo Cartographic", 0, false}},
    {"5839", "Airport non sch with perm cust facility", 1, 1, "  SYMBOL (52,1,6)", {}},
    {"5840", "Airport sch without cust facility", 1, 1, "  SYMBOL (52,0,9)", {85, 16711680, "MapInfo Transportation", 0, false}},
    {"5841", "Airport sch with perm cust facility", 1, 1, "  SYMBOL (52,0,9)", {85, 16711680, "MapInfo Transportation", 1, false}},
    {"5843", "Wind powered generator", 5, 5, "  SYMBOL (50,0,9)", {82, 0, "MapInfo Real Estate", 0, false}},
    {"5844", "Windmill", 5, 5, "  SYMBOL (50,0,9)", {79, 255, "MapInfo Real Estate", 0, false}},
    {"5845", "Heliport", 1, 1, "  SYMBOL (55,0,9)", {59, 16711680, "MapInfo Transportation", 0, false}},
    {"5847", "Public telephone", 6, 6, "  SYMBOL (31,0,10)", {116, 0, "MapInfo Transportation", 0, false}},
    {"5849", "Motoring organisation telephone", 6, 6, "  SYMBOL (31,0,10)", {116, 16711680, "MapInfo Transportation", 0, false}},
    {"5851", "Theme park (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {133, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5860", "Abbey cath, priory (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {45, 16711680, "MapInfo Real Estate", 0, false}},
    {"5861", "Camp site", 6, 6, "  SYMBOL (31,0,10)", {34, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5862", "Caravan site", 6, 6, "  SYMBOL (31,0,10)", {66, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5863", "Golf course", 6, 6, "  SYMBOL (31,0,10)", {33, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5864", "Museum (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {119, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5865", "Picnic site", 6, 6, "  SYMBOL (31,0,10)", {68, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5866", "Tourist info centre (open all year)", 6, 6, "  SYMBOL (31,0,10)", {47, 16711680, "MapInfo Transportation", 0, false}},
    {"5867", "Country park (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {122, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5868", "Youth hostel", 6, 6, "  SYMBOL (31,0,10)", {}},
    {"5869", "Nature or forest trail", 6, 6, "  SYMBOL (31,0,10)", {59, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5870", "Zoo (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {137, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5871", "Preserved railway", 6, 6, "  SYMBOL (31,0,10)", {130, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5873", "Craft centre (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {123, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5874", "Wildlife centre (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {136, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5875", "Aquarium (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {120, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5876", "Cave (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {113, 16711680, "MapInfo Cartographic", 0, false}},
    {"5877", "Castle (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {69, 16711680, "MapInfo Real Estate", 0, false}},
    {"5878", "Historic house (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {36, 16711680, "MapInfo Real Estate", 0, false}},
    {"5879", "Motor racing circuit", 6, 6, "  SYMBOL (31,0,10)", {125, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5880", "Nature reserve", 6, 6, "  SYMBOL (31,0,10)", {138, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5881", "Viewpoint (limited)", 6, 6, "  SYMBOL (31,0,10)", {135, 16711680, "MapInfo Miscellaneous", 0, true}},
    {"5882", "Viewpoint (360 degrees)", 6, 6, "  SYMBOL (31,0,10)", {134, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5883", "Other tourist attraction (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {133, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5884", "Ski slope", 6, 6, "  SYMBOL (31,0,10)", {132, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5885", "Racecourse", 6, 6, "  SYMBOL (31,0,10)", {70, 16711680, "MapInfo Real Estate", 0, false}},
    {"5886", "Garden (open to the public)", 6, 6, "  SYMBOL (31,0,10)", {63, 16711680, "MapInfo Miscellaneous", 0, false}},
    {"5887", "Ferry boat", 6, 6, "  SYMBOL (31,0,10)", {107, 16711680, "MapInfo Transportation", 0, false}},
    {"5888", "Ferry hovercraft", 6, 6, "  SYMBOL (31,0,10)", {108, 16711680, "MapInfo Transportation", 0, false}},
    {"5889", "Tourist info centre (seasonal)", 6, 6, "  SYMBOL (31,0,10)", {46, 16711680, "MapInfo Transportation", 0, false}},
    {"5890", "Ferry box outline", 1, 1, "  PEN (1,31,0)", {}},
    {"5892", "Ferry catamaran", 6, 6, "  SYMBOL (31,0,10)", {107, 16711680, "Transportation", 0, false}},
    {"5901", "Spot height dot", 8, 8, "  SYMBOL (34,1,3)", {}},
};

// A code of up to seven characters as one number that sorts as the text
// does: the characters from the top byte down, then the length (a code
// without NUL bytes, so the zero bytes of a shorter one sort first).
constexpr std::uint64_t CodeKey(std::string_view code) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < 7; ++i)
    key = key << 8 | (i < code.size() ? static_cast<unsigned char>(code[i]) : 0u);
  return key << 8 | code.size();
}

constexpr std::size_t kRowCount = std::size(kRows);

// The rows' keys, in the rows' order; the search goes by these, comparing
// numbers instead of texts.
constexpr std::array<std::uint64_t, kRowCount> BuildRowKeys() {
  std::array<std::uint64_t, kRowCount> keys{};
  for (std::size_t i = 0; i < kRowCount; ++i) keys[i] = CodeKey(kRows[i].code);
  return keys;
}

constexpr std::array<std::uint64_t, kRowCount> kRowKeys = BuildRowKeys();

constexpr bool ShortCodesInOrder() {
  for (std::size_t i = 0; i < kRowCount; ++i) {
    if (kRows[i].code.size() > 7 || kRows[i].code.find('\0') != std::string_view::npos) return false;
    if (i > 0 && !(kRowKeys[i - 1] < kRowKeys[i])) return false;
  }
  return true;
}
static_assert(ShortCodesInOrder(), "style codes of up to seven characters, sorted");


// The rows of the four-digit codes (all but a few), by the code's value:
// the row's place plus one, 0 for none.
constexpr std::array<std::uint16_t, 10000> BuildFourDigitRows() {
  std::array<std::uint16_t, 10000> rows{};
  for (std::size_t i = 0; i < kRowCount; ++i) {
    const std::string_view code = kRows[i].code;
    if (code.size() != 4) continue;
    int value = 0;
    for (char c : code) value = c >= '0' && c <= '9' && value >= 0 ? value * 10 + (c - '0') : -1;
    if (value >= 0) rows[static_cast<std::size_t>(value)] = static_cast<std::uint16_t>(i + 1);
  }
  return rows;
}

constexpr std::array<std::uint16_t, 10000> kFourDigitRows = BuildFourDigitRows();
static_assert(kRowCount < 65535);

}  // namespace

std::span<const StrategiStyleRow> StrategiStyleTable() { return kRows; }

namespace {

const StrategiStyleRow* FindFourDigitStyle(std::int64_t value) {
  const std::uint16_t row = kFourDigitRows[static_cast<std::size_t>(value)];
  return row == 0 ? nullptr : &kRows[row - 1];
}

void ApplyStrategiStyle(const StrategiStyleRow* row, const OptionView& layers, StrategiStyleResult& result) {
  result.featureEnabled = false;
  if (!row) return;
  result.row = row;
  if (row->enabledBy != 0) result.featureEnabled = layers.EntryOn(row->enabledBy);
}

}  // namespace

const StrategiStyleRow* FindStrategiStyle(std::string_view code) {
  std::int64_t value = 0;
  if (TryToFixedDigits<4>(code, value)) return FindFourDigitStyle(value);
  if (code.size() > 7) return nullptr;  // no row has a code that long
  const auto it = std::lower_bound(kRowKeys.begin(), kRowKeys.end(), CodeKey(code));
  if (it == kRowKeys.end()) return nullptr;
  const StrategiStyleRow& row = kRows[static_cast<std::size_t>(it - kRowKeys.begin())];
  return row.code == code ? &row : nullptr;
}

void AppendStrategiStyleClause(std::string& out, const StrategiStyleRow& row, bool useTrueType,
                               double symbolRotation) {
  const StrategiTrueTypeSymbol& tt = row.trueType;
  if (!useTrueType || tt.shape == 0) {
    out.append(row.standardStyle);
    return;
  }
  out.append("  SYMBOL (");
  AppendInteger(out, tt.shape);
  out.push_back(',');
  AppendInteger(out, tt.colour);
  out.append(",10,\"");
  out.append(tt.font);
  out.append("\",");
  AppendInteger(out, tt.style);
  out.push_back(',');
  if (tt.rotated) AppendFixed(out, symbolRotation, 1);
  else out.push_back('0');
  out.push_back(')');
}

void LookupStrategiStyle(std::string_view code, const OptionView& layers, StrategiStyleResult& result) {
  ApplyStrategiStyle(FindStrategiStyle(code), layers, result);
}

void LookupStrategiStyle(std::int64_t fourDigitCode, const OptionView& layers, StrategiStyleResult& result) {
  ApplyStrategiStyle(fourDigitCode >= 0 && fourDigitCode <= 9999 ? FindFourDigitStyle(fourDigitCode) : nullptr, layers,
                     result);
}

}  // namespace quorvel
