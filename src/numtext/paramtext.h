// The one reading of a projection parameter set from its eight texts, shared
// by the Spheroid tab (Save, Edit and every conversion), the catalogue store
// and quillmar-batch (import, --params), so a value one of them accepts is
// never refused or read differently by another. No Qt; texts are UTF-8.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace numtext {

// The seven values in the units the projection uses: metres, degrees (south
// and west negative), and the pure numbers e^2 and k0.
struct ParameterNumbers {
    double a = 0, e2 = 0, k0 = 0, fe = 0, fn = 0;
    double lat0 = 0; // latitude of origin, degrees, fraction kept
    double lon0 = 0; // central meridian, degrees, fraction kept
    bool operator==(const ParameterNumbers&) const = default;
};

// The fields in the Spheroid tab's order (top to bottom).
enum class ParamField { Name, Major, Ecc, Scale, FE, FN, Origin, Meridian };
inline constexpr int kParamFields = 8;

// The caption of each field as the Spheroid tab labels it.
std::string_view Field_Caption(ParamField f);

struct ParameterTexts {
    std::array<std::string, kParamFields> text; // indexed by ParamField
    const std::string& operator[](ParamField f) const { return text[static_cast<int>(f)]; }
    std::string& operator[](ParamField f) { return text[static_cast<int>(f)]; }
};

struct ParamProblem {
    ParamField field;
    std::string message; // names the field and the rule it breaks
};

struct ParameterReading {
    // Every problem, in field order; the values are present only when there
    // is none (an empty meridian counts as one unless `meridianOptional`).
    std::vector<ParamProblem> problems;
    std::optional<ParameterNumbers> values;
    bool meridianEmpty = false;
};

struct ReadOptions {
    bool needName = true;          // a blank name is a problem (Save, Edit, import)
    bool meridianOptional = false; // a catalogue entry may be stored without one
};

// a > 0; 0 <= e^2 < 1; k0 > 0; FE and FN finite numbers; the latitude of
// origin by Read_Origin within 90 degrees; the central meridian by
// Read_Meridian within 180 degrees; a name that is not blank.
ParameterReading Read_Parameters(const ParameterTexts& t, ReadOptions options = {});

// Degrees with an optional fraction and a hemisphere letter, with or without
// a blank before it ("2 W", "2W", "113.75 W"), or a signed number ("-2",
// "15" = 15 E). Letters in either case. Nothing else: "1 5 E", "15 X",
// "2 W extra" and "-2 W" do not read. The range is not checked here.
std::optional<double> Read_Meridian(std::string_view text);
// The same forms with N and S: "49 N", "53.5N", "0", "-10".
std::optional<double> Read_Origin(std::string_view text);

// The form a meridian field is rewritten in when left: degrees as the
// shortest text that reads back to the same double, a blank and E or W
// ("15 E", "2.5 W", "0 E").
std::string Meridian_Text(double degrees);

// The shortest decimal text that reads back to the same double, never in
// exponent form ("0.1", "113.75", "-2").
std::string Shortest_Text(double x);

// The messages of the two degree fields, as the reading gives them.
inline constexpr std::string_view kMeridianForm =
    "Central Meridian must be degrees with E or W (2 W, 113.75 W) or a signed number (-2, 15 for "
    "15 E).";
inline constexpr std::string_view kMeridianRange =
    "Central Meridian must lie between 180 W and 180 E.";
inline constexpr std::string_view kOriginForm =
    "Latitude of Origin must be degrees with N or S (49 N, 53.5 N) or a signed number (-10).";
inline constexpr std::string_view kOriginRange =
    "Latitude of Origin must lie between 90 S and 90 N.";

inline constexpr double kMaxOrigin = 90;
inline constexpr double kMaxMeridian = 180;

} // namespace numtext
