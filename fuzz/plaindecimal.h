// What a result field must look like when it is a number: digits with at
// most one point and a leading minus, nothing the reader would have to guess.
#pragma once

#include <cstddef>
#include <string_view>

inline bool plainDecimal(std::string_view s) {
    std::size_t i = !s.empty() && s[0] == '-';
    if (i == s.size())
        return false;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (s[i] == '.' && !point)
            point = true;
        else if (s[i] < '0' || s[i] > '9')
            return false;
    }
    return true;
}
