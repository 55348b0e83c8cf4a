#include "degreetext.h"

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

} // namespace numtext
