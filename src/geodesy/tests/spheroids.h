// Ellipsoids the projection tests run on (semi-major axis in metres, e²).
#pragma once

struct TestSpheroid {
    const char* name;
    double a, e2;
};

inline constexpr TestSpheroid kTestSpheroids[] = {
    {"Airy 1830", 6377563.396, 0.00667054},
    {"WGS84", 6378137, 0.00669437999014},
    {"International 1924", 6378388, 0.00672267002233},
    {"Clarke 1866", 6378206.4, 0.00676865799729},
};
