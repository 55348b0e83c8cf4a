#include "degreetext.h"

#include "numtext.h"

namespace numtext {

std::string Upper_Case_Field(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= 'a' && c <= 'z') {
            out += static_cast<char>(c - 'a' + 'A');
        } else if (c == '\xC5' && i + 1 < text.size() && text[i + 1] == '\xBF') {
            out += 'S'; // long s
            ++i;
        } else if (c == '\xC3' && i + 1 < text.size() && text[i + 1] == '\x9F') {
            out += "SS"; // sharp s
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<double> Read_Origin_Latitude(std::string_view text) {
    const std::string t = Upper_Case_Field(text);
    const auto blank = t.find(' ');
    if (blank == std::string::npos)
        return To_Number(t);
    const std::optional<double> v = To_Number(std::string_view(t).substr(0, blank));
    if (!v)
        return std::nullopt;
    // "0 S" is the equator, not -0.
    return t.back() == 'S' && *v != 0 ? -*v : *v;
}

} // namespace numtext
