#include "imaging/patterns.h"

namespace mrv {

std::string AsciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::vector<std::string> SplitPatternGroup(std::string_view group) {
    std::vector<std::string> pieces;
    std::size_t i = 0;
    while (i < group.size()) {
        if (group[i] == ';') {
            ++i;
            continue;
        }
        const std::size_t end = group.find(';', i);
        const std::size_t stop = end == std::string_view::npos ? group.size() : end;
        pieces.emplace_back(group.substr(i, stop - i));
        i = stop;
    }
    return pieces;
}

std::string FallbackDescription(std::string_view pattern) {
    return std::string(pattern.size() > 2 ? pattern.substr(2) : std::string_view{}) + " Image";
}

std::string SupportExtension(std::string_view pattern) {
    return AsciiUpper(pattern.size() > 1 ? pattern.substr(1, 256) : std::string_view{});
}

std::string DecoderExtension(std::string_view pattern) {
    const std::size_t dot = pattern.find('.');
    return dot == std::string_view::npos ? std::string() : AsciiUpper(pattern.substr(dot));
}

}  // namespace mrv
