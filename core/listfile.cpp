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

// The first CR, LF or NUL in [p, end), or end. Eight bytes at a time: lists run to megabytes, and
// the C library's byte-wise searches are slow on some platforms.
const char* FindLineEnd(const char* p, const char* end) {
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t lf = w ^ (ones * '\n'), cr = w ^ (ones * '\r');
        const std::uint64_t hit = ((lf - ones) & ~lf & highs) | ((cr - ones) & ~cr & highs) | ((w - ones) & ~w & highs);
        if (hit) return p + (__builtin_ctzll(hit) >> 3);
        p += 8;
    }
    while (p < end && *p != '\r' && *p != '\n' && *p != '\0') ++p;
    return p;
}

}  // namespace

ListTextParser::ListTextParser(StringList& lines) : lines_(lines) {}

void ListTextParser::TakeLine(const char* p, std::size_t len) {
    // Lines are assigned over the ones already there: a reload of a long list then reuses their
    // memory instead of allocating (and first touching) as much again.
    if (n_ < lines_.size()) lines_[n_].assign(p, len);
    else lines_.emplace_back(p, len);
    ++n_;
}

bool ListTextParser::Feed(std::string_view piece) {
    const char* p = piece.data();
    const char* const end = p + piece.size();
    if (ended_ || p == end) return !ended_;
    if (afterCr_) {
        afterCr_ = false;
        if (*p == '\n') ++p;
    }
    while (p < end) {
        const char* e = FindLineEnd(p, end);
        if (e == end) {  // the line goes on in the next piece
            partial_.append(p, static_cast<std::size_t>(e - p));
            break;
        }
        // A NUL ends the text; the line it cuts still counts when it has something before it.
        const bool nul = *e == '\0';
        if (!partial_.empty()) {
            partial_.append(p, static_cast<std::size_t>(e - p));
            TakeLine(partial_.data(), partial_.size());
            partial_.clear();
        } else if (!(nul && e == p)) {
            TakeLine(p, static_cast<std::size_t>(e - p));
        }
        if (nul) {
            ended_ = true;
            break;
        }
        if (*e == '\r') {
            if (e + 1 == end) afterCr_ = true;
            else if (e[1] == '\n') ++e;
        }
        p = e + 1;
    }
    return !ended_;
}

void ListTextParser::Finish() {
    if (!partial_.empty() && !ended_) TakeLine(partial_.data(), partial_.size());
    partial_.clear();
    ended_ = true;
    lines_.resize(n_);
}

void ParseListTextInto(std::string_view bytes, StringList& lines) {
    ListTextParser parser(lines);
    parser.Feed(bytes);
    parser.Finish();
}

StringList ParseListText(std::string_view bytes) {
    StringList lines;
    lines.reserve(bytes.size() / 48 + 1);
    ParseListTextInto(bytes, lines);
    return lines;
}

namespace {

// Copies a short run of bytes a word at a time. List lines are tens of bytes, and a call into the
// C library's memcpy for each of them costs more than the copy on some platforms; the destination
// has at least 8 bytes of slack past n.
char* CopyLine(char* d, const char* s, std::size_t n) {
    while (n >= 8) {
        std::uint64_t w;
        std::memcpy(&w, s, 8);
        std::memcpy(d, &w, 8);
        d += 8;
        s += 8;
        n -= 8;
    }
    while (n--) *d++ = *s++;
    return d;
}

}  // namespace

bool FormatListTextInBlocks(const StringList& lines, std::size_t blockSize,
                            const std::function<bool(std::string_view)>& sink) {
    constexpr std::size_t slack = 8;
    std::string block(blockSize + slack, '\0');
    char* const start = block.data();
    char* out = start;
    auto flush = [&] {
        const bool ok = out == start || sink(std::string_view(start, static_cast<std::size_t>(out - start)));
        out = start;
        return ok;
    };
    for (const std::string& line : lines) {
        if (static_cast<std::size_t>(out - start) + line.size() + 2 > blockSize) {
            if (!flush()) return false;
            if (line.size() + 2 > blockSize) {  // a line longer than a block goes out on its own
                if (!sink(line)) return false;
                *out++ = '\r';
                *out++ = '\n';
                continue;
            }
        }
        out = CopyLine(out, line.data(), line.size());
        *out++ = '\r';
        *out++ = '\n';
    }
    return flush();
}

std::string FormatListText(const StringList& lines) {
    std::size_t size = 0;
    for (const auto& l : lines) size += l.size() + 2;
    std::string out;
    out.reserve(size);
    FormatListTextInBlocks(lines, 64 * 1024, [&](std::string_view piece) {
        out += piece;
        return true;
    });
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
