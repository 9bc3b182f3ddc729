#include "core/listfile.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace mrv {

namespace {
constexpr std::size_t kFieldWindow = 256;
}

ListIndexError::ListIndexError(long long index)
    : std::out_of_range("list index out of bounds (" + std::to_string(index) + ")"), index_(index) {}

namespace {
std::string NotAnInteger(std::string_view text) {
    std::string msg(1, '\'');
    msg.append(text);
    msg.append("' is not a valid integer value");
    return msg;
}
}  // namespace

ConvertError::ConvertError(std::string_view text) : std::invalid_argument(NotAnInteger(text)), text_(text) {}

std::string GetListField(std::string_view line, int n) {
    if (n < 0) throw ListIndexError(n);
    std::string_view rest = line;
    int index = 0;
    for (;;) {
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) break;
        if (index == n) return std::string(rest.substr(0, comma));
        rest = rest.substr(comma + 1).substr(0, kFieldWindow);
        ++index;
    }
    if (index == n) return std::string(rest);
    throw ListIndexError(n);
}

std::vector<std::string> SplitListLine(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            fields.emplace_back(line.substr(start));
            return fields;
        }
        fields.emplace_back(line.substr(start, comma - start));
        start = comma + 1;
    }
}

int ParseListInt(std::string_view text) {
    // Blanks around the number and a leading '+' are tolerated as the platform's own conversion does.
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    std::string_view t = text.substr(b, e - b);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    int value = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || ec != std::errc() || ptr != t.data() + t.size()) throw ConvertError(text);
    return value;
}

namespace {

// The first CR or LF in [p, end), or end. Eight bytes at a time: lists run to megabytes, and the
// C library's byte-wise search is slow on some platforms.
const char* FindLineEnd(const char* p, const char* end) {
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t lf = w ^ (ones * '\n'), cr = w ^ (ones * '\r');
        const std::uint64_t hit = ((lf - ones) & ~lf & highs) | ((cr - ones) & ~cr & highs);
        if (hit) return p + (__builtin_ctzll(hit) >> 3);
        p += 8;
    }
    while (p < end && *p != '\r' && *p != '\n') ++p;
    return p;
}

}  // namespace

void ParseListTextInto(std::string_view bytes, StringList& lines) {
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    // Lines are assigned over the ones already there: a reload of a long list then reuses their
    // memory instead of allocating (and first touching) as much again.
    std::size_t n = 0;
    while (p < end) {
        const char* e = FindLineEnd(p, end);
        const std::size_t len = static_cast<std::size_t>(e - p);
        if (n < lines.size()) lines[n].assign(p, len);
        else lines.emplace_back(p, len);
        ++n;
        if (e < end && *e == '\r' && e + 1 < end && e[1] == '\n') ++e;
        p = e + 1;
    }
    lines.resize(n);
}

StringList ParseListText(std::string_view bytes) {
    StringList lines;
    lines.reserve(bytes.size() / 48 + 1);
    ParseListTextInto(bytes, lines);
    return lines;
}

std::string FormatListText(const StringList& lines) {
    std::size_t size = 0;
    for (const auto& l : lines) size += l.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

std::string MakeAddedLine(int style, std::string_view path) {
    std::string line = "0,";
    line += std::to_string(style);
    line += ',';
    line += path;
    line += ',';
    return line;
}

std::string MakeShownLine(std::string_view line) {
    // Whole fields, not the 256-character window: a long path must come back unchanged.
    const std::vector<std::string> f = SplitListLine(line);
    if (f.size() < 4) throw ListIndexError(static_cast<long long>(f.size()));
    return "1," + f[1] + ',' + f[2] + ',' + f[3] + ',';
}

std::string UpperExtension(std::string_view path, bool (*isLeadByte)(unsigned char)) {
    // A '\\' can be the second byte of a double-byte character; skip those while looking for
    // where the file name starts. '.' never is one, so the last dot is found directly.
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (isLeadByte && isLeadByte(c)) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/' || c == ':') nameStart = i + 1;
    }
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart) return {};
    std::string ext(path.substr(dot));
    for (char& ch : ext)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return ext;
}

}  // namespace mrv
