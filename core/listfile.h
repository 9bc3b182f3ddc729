// The wallpaper list: one entry per line, fields separated by commas, no quoting.
// Lines are kept as the raw bytes of the ANSI code page so that a list file round-trips byte for byte.
#pragma once
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

using StringList = std::vector<std::string>;

// Raised when a field or an item that does not exist is asked for.
class ListIndexError : public std::out_of_range {
public:
    explicit ListIndexError(long long index);
    long long index() const { return index_; }
private:
    long long index_;
};

// Raised when a field that must hold a decimal number does not.
class ConvertError : public std::invalid_argument {
public:
    explicit ConvertError(std::string_view text);
    const std::string& text() const { return text_; }
private:
    std::string text_;
};

// Field n (0-based) of a list line. After each comma only the next 256 characters are looked at,
// so fields beyond them are not seen (existing lists depend on exactly this reading).
std::string GetListField(std::string_view line, int n);

// Every field of a line, without the 256-character window: for callers that need a path whole.
std::vector<std::string> SplitListLine(std::string_view line);

// A decimal integer as a style field holds it; anything else raises ConvertError.
int ParseListInt(std::string_view text);

// CR, LF and CR LF each end a line; a last line without an ending counts; a NUL byte ends the text.
StringList ParseListText(std::string_view bytes);
// The same into an existing list, replacing its content.
void ParseListTextInto(std::string_view bytes, StringList& lines);

// The same for a text that arrives in pieces (a file read a block at a time), with the same result
// wherever the pieces are cut. Replaces the list's content; Finish completes it.
class ListTextParser {
public:
    explicit ListTextParser(StringList& lines);
    ListTextParser(const ListTextParser&) = delete;
    ListTextParser& operator=(const ListTextParser&) = delete;
    // False once a NUL has ended the text: the rest need not be read.
    bool Feed(std::string_view piece);
    void Finish();
private:
    void TakeLine(const char* p, std::size_t len);
    StringList& lines_;
    std::size_t n_ = 0;
    std::string partial_;  // the start of a line the last piece cut (never empty when there is one)
    bool afterCr_ = false;  // the last piece ended with CR: an LF first in the next one belongs to it
    bool ended_ = false;
};

// Every line followed by CR LF.
std::string FormatListText(const StringList& lines);
// The same text handed to sink a block of at most blockSize bytes at a time (a line longer than a
// block in a piece of its own), so that writing a long list needs no copy of all of it. Stops with
// false as soon as sink returns false.
bool FormatListTextInBlocks(const StringList& lines, std::size_t blockSize,
                            const std::function<bool(std::string_view)>& sink);

// The line the add command appends: not shown yet, the style, the path, an empty archive field.
std::string MakeAddedLine(int style, std::string_view path);

// The line of an entry once shown: the fields of the original line, a fifth empty field after them.
std::string MakeShownLine(std::string_view line);

// A path with a comma cannot be stored: the comma would end the path field.
inline bool PathFitsList(std::string_view path) { return path.find(',') == std::string_view::npos; }

// The extension of a file name (from its last dot after the last separator, dot included), upper-cased
// in ASCII only so that double-byte characters stay intact. Empty when the name has no dot.
// isLeadByte tells the code page's double-byte lead bytes (none when null).
std::string UpperExtension(std::string_view path, bool (*isLeadByte)(unsigned char) = nullptr);

}  // namespace mrv
