// How a conversion or an intersection ended: one type for every working tab
// and window, so a caller decides by `status` and never by a message text.
#pragma once

#include <string>

namespace numtext {

enum class Status {
    Ok,
    SelectSpheroid, // no parameter set: the central meridian is empty
    Unusable,       // a value of the parameter set does not read or is out of range
    EnterPosition,  // a degree field left empty
    NotNumeric,     // an entry that is not a number
    OutOfRange,     // minutes or seconds outside [0, 60), an angle beyond its limits
    BadLetter,      // a hemisphere field that is not its letter
    AmbiguousSign,  // a minus in the degrees together with S or W
    NoResult,       // the arithmetic gives no finite result, or none the series can give
    Inexact,        // more than 1 mm from the exact projection (refused on request)
    BadReference,   // a grid reference of another grid or outside it
    TooLarge,       // a distance coordinate beyond single precision
    DoesNotCompute, // the triangle has no point C
    TooFar,         // the base line is too long for the plane formulas
};

struct Outcome {
    Status status = Status::Ok;
    int field = -1;      // the entry to focus, in the tab's keyboard order; -1: none
    std::string message; // the text of the box; empty when ok
    bool ok() const { return status == Status::Ok; }
};

} // namespace numtext
