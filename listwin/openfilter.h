// The filter of the list window's open dialog, built from the plug-in catalogue.
#pragma once
#include <string>
#include <vector>

namespace mrv {

// "すべてのイメージ|*.bmp;<every pattern>|ビットマップ (*.bmp)|*.bmp|<desc> (<pattern>)|<pattern>..."
// with one pair per catalogue entry, in catalogue order; bitmaps only when there is no catalogue
// (null) or an empty one. Descriptions come from the plug-ins: a "|" in one would shift every pair
// after it, so it is shown as "｜".
std::wstring BuildOpenFilter(const std::vector<std::wstring>* patterns, const std::vector<std::wstring>* descriptions);

// The same filter in the form the open dialog takes: NUL between the parts and two at the end.
std::wstring DialogFilter(const std::wstring& filter);

}  // namespace mrv
