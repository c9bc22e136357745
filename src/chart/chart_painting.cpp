#include "chart/chart_painting.h"

namespace dtchart {

std::string LogDateCaption(const std::string& path) {
    if (path.size() < 10) return {};
    const std::string tail = path.substr(path.size() - 10);
    for (int k = 0; k < 6; ++k)
        if (tail[k] < '0' || tail[k] > '9') return {};
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (tail[6] != '.' || lower(tail[7]) != 'l' || lower(tail[8]) != 'o' || lower(tail[9]) != 'g')
        return {};
    return "20" + tail.substr(0, 2) + "/" + tail.substr(2, 2) + "/" + tail.substr(4, 2);
}

void PrintLogDate(DrawingSurface& picture, const std::string& path) {
    const std::string caption = LogDateCaption(path);
    if (caption.empty()) return;
    picture.SetCurrentX(500);
    picture.SetCurrentY(20);
    picture.Print(caption);
}

}  // namespace dtchart
