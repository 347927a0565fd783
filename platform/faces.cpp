#include "faces.h"

#include <array>
#include <cmath>

namespace platform::faces {

namespace {

constexpr std::array<std::string_view, 12> kGothic = {
    "MS UI Gothic", "Meiryo UI",  "Yu Gothic UI", "MS PGothic", "IPAPGothic", "Noto Sans CJK JP",
    "VL PGothic",   "TakaoPGothic", "MS Gothic",  "IPAGothic",  "VL Gothic",  "TakaoGothic",
};
constexpr std::array<std::string_view, 4> kSerif = {"Times New Roman", "Liberation Serif", "Tinos", "DejaVu Serif"};

}  // namespace

std::vector<std::string_view> StandIns(std::string_view family)
{
    if (family == kGothic.front())
        return {kGothic.begin(), kGothic.end()};
    if (family == kSerif.front())
        return {kSerif.begin(), kSerif.end()};
    return {family};
}

int Pixels(double points)
{
    return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

}  // namespace platform::faces
