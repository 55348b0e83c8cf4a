// Lettered grid references: the Ordnance Survey's National Grid, the Irish
// Grid and the Military Grid Reference System on WGS 84 UTM zones.
//
// A parameter set qualifies by its values alone, never its name: every
// defining value must agree with the definition to the digits the definition
// is written with (within half a unit of its last digit). The definitions:
//   National Grid  a 6377563.396, e2 0.00667054, k0 0.9996012717,
//                  FE 400000, FN -100000, origin 49 N, meridian 2 W
//   Irish Grid     a 6377340.189, e2 0.00667054, k0 1.000035,
//                  FE 200000, FN 250000, origin 53.5 N, meridian 8 W
//   WGS 84 UTM     a 6378137, e2 0.00669437999014, k0 0.9996,
//                  FE 500000, FN 0 (north) or 10000000 (south), origin 0,
//                  meridian 6z - 183 for zone z in 1..60
// Airy's e2 is written with 8 decimals, as the README's examples give it; the
// Ordnance Survey's 0.0066705397616 and the catalogue's 0.006670540074149
// round to it. WGS 84's is written with the 14 of its defining document (NIMA
// TR8350.2), which the catalogue's 0.006694379990141 rounds to; GRS 80
// (0.006694380022901) and the 8-decimal 0.00669438, which rounds from both,
// do not name WGS 84.
//
// References are written to 1 m (5 + 5 digits) and read with 2 to 10 digits;
// a reference read stands for the centre of the square it names, as
// GeographicLib (C. F. F. Karney) reads them. GeographicLib's OSGB and MGRS
// write and read the National Grid's and MGRS's letters; the Irish Grid's
// single letters are laid out here: a 5 x 5 block of 100 km squares lettered
// A to Z without I, row by row from the top, V at the false origin.
//
// Eastings and northings are metres with false easting and northing included;
// latitudes and longitudes degrees, south and west negative. Texts are ASCII.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gridref {

// The values of a parameter set, as the catalogue holds them.
struct ParameterSet {
    double a = 0;                // semi-major axis, metres
    double e2 = 0;               // eccentricity squared
    double k0 = 0;               // central scale factor
    double false_easting = 0;    // metres
    double false_northing = 0;   // metres
    double origin_latitude = 0;  // degrees, south negative
    double central_meridian = 0; // degrees, west negative
};

enum class Grid { None, National, Irish, Mgrs };

struct Recognised {
    Grid grid = Grid::None;
    int zone = 0;      // UTM zone 1..60 for Grid::Mgrs, else 0
    bool north = true; // Grid::Mgrs: false northing 0 (true) or 10000000
};

// The grid whose references the set writes and reads; Grid::None for any
// other set, and for values that are not finite.
Recognised Recognise(const ParameterSet& p);

// The reference of the grid position (easting, northing) to 1 m, spaced:
// "TG 51409 13177", "O 15904 34671", "30U XC 99512 10549". Digits are
// truncated, not rounded, so the reference names the 1 m square holding the
// position. Nothing for Grid::None, a position outside the grid's squares or
// coordinates that are not finite. The grid's squares: National Grid
// easting [-1000 km, 1500 km) and northing [-500 km, 2000 km), the extent of
// its two-letter scheme; Irish Grid [0, 500 km) both ways; MGRS easting
// [100 km, 900 km] and northing [0, 9500 km] north or [1000 km, 10000 km]
// south of the zone (GeographicLib's limits).
std::optional<std::string> Reference_At_Grid(const Recognised& g, double easting, double northing);

// The reference of the geographic position (lat in [-90, 90], lon) in the
// grid the set p names, projected with GeographicLib's TransverseMercator on
// the set's own values (Krueger's series, nanometres; the same series as
// GeographicLib's UTMUPS, so MGRS is written exactly as GeoConvert -m writes
// it for a position in the set's zone, the band taken from the latitude).
// Nothing where Reference_At_Grid would give nothing, and for a set naming no
// grid.
std::optional<std::string> Reference_At_Geographic(const ParameterSet& p, double lat, double lon);

struct Reading {
    double easting = 0, northing = 0; // centre of the square named, metres
    double square = 0;                // side of that square, metres
    std::string text;                 // the reference read, uppercase, spaced
};

struct ReadResult {
    std::optional<Reading> reading;
    std::string refusal; // empty when reading holds a value
};

// Reads a reference of grid g: letters in either case, blanks anywhere
// (ASCII blanks and tabs), 2 to 10 digits in an even count, half for the
// easting and half for the northing. An MGRS reference must name the set's
// zone; one from the other hemisphere of it (band letters C to M against N
// to X) reads into the set's false northing. Refused with Expected_Form(g)
// for anything else: another grid's reference, a square outside the grid, a
// zone other than the set's. Grid::None reads nothing and refuses nothing.
ReadResult Read(const Recognised& g, std::string_view text);

// "A National Grid reference is two letters and 2 to 10 digits, e.g. TG 51409
// 13177." and its like for the other grids; for MGRS it names the set's zone
// and gives an example in it. Empty for Grid::None.
std::string Expected_Form(const Recognised& g);

} // namespace gridref
