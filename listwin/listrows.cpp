#include "listwin/listrows.h"

#include <vector>

#include "core/listfile.h"

namespace mrv {

int DisplayStyleOf(std::string_view style) {
    try {
        const int n = ParseListInt(style);
        return n >= 0 && n <= 2 ? n : -1;
    } catch (const ConvertError&) {
        return -1;
    }
}

ListRow ReadListRow(std::string_view line) {
    const std::vector<std::string> f = SplitListLine(line);
    ListRow row;
    row.flag = f[0];
    if (f.size() > 1) row.style = f[1];
    if (f.size() > 2) row.path = f[2];
    if (f.size() > 3) row.archive = f[3];
    bool plainFlag = true;
    for (char c : row.flag) plainFlag = plainFlag && static_cast<unsigned char>(c) < 0x80;
    row.keepLine = f.size() < 4 || DisplayStyleOf(row.style) < 0 || !plainFlag;
    return row;
}

std::string MakeListLine(std::string_view flag, std::string_view style, std::string_view path,
                         std::string_view archive) {
    std::string line;
    line.reserve(flag.size() + style.size() + path.size() + archive.size() + 3);
    line.append(flag).append(1, ',').append(style).append(1, ',').append(path).append(1, ',').append(archive);
    return line;
}

}  // namespace mrv
