// File patterns as decoder plug-ins report them ("*.jpg;*.jpeg").
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// Pieces of a pattern group: a run of ';' counts as one, none at either end gives an empty piece,
// pieces are not trimmed.
std::vector<std::string> SplitPatternGroup(std::string_view group);

// The description of a group that has none: "*.mag" gives "mag Image".
std::string FallbackDescription(std::string_view pattern);

// The extension a pattern stands for when asking whether a file can be shown: the pattern from its
// second character (at most 256 of them), upper-cased. "*.jpg" gives ".JPG".
std::string SupportExtension(std::string_view pattern);

// The extension a pattern stands for when choosing the decoder: upper-cased, from its first '.';
// empty when it has none.
std::string DecoderExtension(std::string_view pattern);

// ASCII upper case; bytes above 0x7F stay as they are.
std::string AsciiUpper(std::string_view s);

}  // namespace mrv
