// How the list window reads a line of the wallpaper list into one row and writes a row back.
#pragma once
#include <string>
#include <string_view>

namespace mrv {

struct ListRow {
    std::string flag;     // field 0 as stored
    std::string style;    // field 1 as stored
    std::string path;     // field 2, whole
    std::string archive;  // field 3, whole
    // A line the program itself never writes (fewer than four fields, a style that is not a
    // display style, a flag that is not plain text): it goes back into the list exactly as it came
    // unless the user changes the entry.
    bool keepLine = false;
};

// The fields are taken whole, so that a path of any length comes back unchanged; fields after the
// fourth are not part of an entry.
ListRow ReadListRow(std::string_view line);

// flag "," style "," path "," archive
std::string MakeListLine(std::string_view flag, std::string_view style, std::string_view path,
                         std::string_view archive);

// The display style a style field stands for (0 centred, 1 tiled, 2 stretched), read as the
// program reads a style field; -1 for any other text.
int DisplayStyleOf(std::string_view style);

}  // namespace mrv
