// Point C of a plane triangle from two known grid points A and B and two
// angles, as the two intersection windows compute it. No Qt: a command-line
// tool can reuse the same arithmetic and the same texts.
#pragma once

#include "outcome.h"

#include <string>
#include <string_view>

namespace intersect {

// The six input fields exactly as typed; each is read strictly.
struct IntersectionInput {
    std::string E1, N1; // A, metres
    std::string E2, N2; // B, metres
    std::string a, b;   // decimal degrees
};

// `field`: the input to focus after a refusal, in keyboard order (E1, N1,
// E2, N2, a, b); `message` the text of the box.
struct IntersectionResult : numtext::Outcome {
    using Status = numtext::Status; // Ok, DoesNotCompute, TooFar or OutOfRange
    // Results formatted "##.000". They are what the window shows before any
    // message box: a calculation that fails after E3 was written keeps E3 and
    // leaves N3 empty; one refused for its base line keeps both. Empty means
    // "not reached", which no formatted number can be.
    std::string E3, N3;
};

inline constexpr std::string_view kDataDoesNotCompute = "Data does not compute.";
inline constexpr std::string_view kNotSuitableForDistance =
    "This formula is not suitable for this distance.";

// The message of DoesNotCompute and TooFar; empty for any other status.
std::string_view Status_Message(IntersectionResult::Status status);

// a and b are the interior angles of the triangle at A and at B; C lies to
// the left of the directed line from A to B.
IntersectionResult Solve_From_Angles(const IntersectionInput& in);

// a and b are the grid bearings from A and from B to C, clockwise from north,
// 0 to 360 inclusive (0 and 360 are the same direction); any other bearing is
// refused (OutOfRange) naming its field.
IntersectionResult Solve_From_Bearings(const IntersectionInput& in);

} // namespace intersect
