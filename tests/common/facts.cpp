#include "facts.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace facts {

int button(int from, int to)
{
    for (int b = 0; b < 6; ++b)
        if (kFrom[b] == from && kTo[b] == to)
            return b;
    return -1;
}

namespace {

void solve(int n, int from, int to, std::vector<int>& buttons)
{
    if (n == 0)
        return;
    const int via = 6 - from - to;
    solve(n - 1, from, via, buttons);
    buttons.push_back(button(from, to));
    solve(n - 1, via, to, buttons);
}

std::uint32_t le(const std::vector<unsigned char>& b, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | b[at + std::size_t(i)];
    return v;
}

}  // namespace

std::vector<int> shortestSolution(int n, int to)
{
    std::vector<int> buttons;
    solve(n, 1, to, buttons);
    return buttons;
}

Pegs startPegs(int n)
{
    Pegs pegs;
    for (int s = n; s >= 1; --s)
        pegs[1].push_back(s);
    return pegs;
}

int check(const Pegs& pegs, int b)
{
    const auto& from = pegs[std::size_t(kFrom[b])];
    const auto& to = pegs[std::size_t(kTo[b])];
    if (from.empty())
        return 1;
    return !to.empty() && from.back() > to.back() ? 2 : 0;
}

void apply(Pegs& pegs, int b)
{
    auto& from = pegs[std::size_t(kFrom[b])];
    pegs[std::size_t(kTo[b])].push_back(from.back());
    from.pop_back();
}

int ending(const Pegs& pegs, int turn)
{
    const std::size_t n = pegs[1].size() + pegs[2].size() + pegs[3].size();
    if (pegs[2].size() == n || pegs[3].size() == n)
        return 1;
    return turn == moveBudget(int(n)) ? 2 : 0;
}

std::string text(const Pegs& pegs)
{
    std::string out;
    for (int p = 1; p <= 3; ++p) {
        out += p > 1 ? " |" : "";
        for (const int s : pegs[std::size_t(p)])
            out.append(out.empty() ? "" : " ").append(std::to_string(s));
        out += pegs[std::size_t(p)].empty() ? (p > 1 ? " -" : "-") : "";
    }
    return out;
}

std::string qualifyCaption(int n)
{
    return std::to_string(n) + "段 / 最短 " + std::to_string(moveBudget(n)) + "手";
}

std::string statCaption(int turn)
{
    return std::string("現在 ") + std::to_string(turn) + "手目";
}

Bitmap readBmp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || le(b, 28, 2) != 24 || le(b, 30, 4) != 0)
        return {};
    const auto width = static_cast<std::int32_t>(le(b, 18, 4));
    const auto height = static_cast<std::int32_t>(le(b, 22, 4));
    const int rows = height < 0 ? -height : height;
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    const std::size_t offset = le(b, 10, 4);
    if (width <= 0 || rows == 0 || b.size() < offset + stride * std::size_t(rows))
        return {};
    Bitmap bitmap{width, rows, std::vector<std::uint32_t>(std::size_t(width) * std::size_t(rows))};
    for (int y = 0; y < rows; ++y) {
        const std::size_t row = offset + std::size_t(height > 0 ? rows - 1 - y : y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::size_t p = row + std::size_t(x) * 3;  // blue, green, red
            bitmap.at(x, y) = std::uint32_t(b[p + 2]) | std::uint32_t(b[p + 1]) << 8 | std::uint32_t(b[p]) << 16;
        }
    }
    return bitmap;
}

bool writeBmp(const std::string& path, const Bitmap& bitmap)
{
    const std::size_t stride = (std::size_t(bitmap.width) * 3 + 3) & ~std::size_t(3);
    const std::size_t size = 54 + stride * std::size_t(bitmap.height);
    std::vector<unsigned char> b(size, 0);
    const auto put = [&b](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b[at + std::size_t(i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, std::uint32_t(size), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, std::uint32_t(bitmap.width), 4);
    put(22, std::uint32_t(bitmap.height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x) {
            const std::uint32_t c = bitmap.at(x, y);
            const std::size_t p = 54 + std::size_t(bitmap.height - 1 - y) * stride + std::size_t(x) * 3;
            b[p] = static_cast<unsigned char>(c >> 16);
            b[p + 1] = static_cast<unsigned char>(c >> 8);
            b[p + 2] = static_cast<unsigned char>(c);
        }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    return bool(out);
}

Bitmap boardComposite(const Pegs& pegs, const std::string& assetsDir)
{
    Bitmap board = readBmp(assetsDir + "/BACK.bmp");
    for (int p = 1; p <= 3; ++p) {
        const auto& stack = pegs[std::size_t(p)];
        for (std::size_t level = 0; level < stack.size(); ++level) {
            const int size = stack[level];
            const Bitmap mask = readBmp(assetsDir + "/" + std::to_string(200 + size) + ".bmp");
            const Bitmap piece = readBmp(assetsDir + "/" + std::to_string(100 + size) + ".bmp");
            const int left = pieceLeft(p);
            const int top = pieceTop(static_cast<int>(level));
            for (int y = 0; y < kPieceHeight; ++y)
                for (int x = 0; x < kPieceWidth; ++x)
                    if (mask.at(x, y) == 0x00FFFFFF)
                        board.at(left + x, top + y) = piece.at(x, y);
        }
    }
    return board;
}

std::string difference(const Bitmap& actual, const Bitmap& expected)
{
    char text[96];
    if (actual.width != expected.width || actual.height != expected.height) {
        std::snprintf(text, sizeof text, "size %dx%d instead of %dx%d", actual.width, actual.height,
                      expected.width, expected.height);
        return text;
    }
    int count = 0, firstX = 0, firstY = 0;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            if (actual.at(x, y) != expected.at(x, y) && count++ == 0) {
                firstX = x;
                firstY = y;
            }
    if (count == 0)
        return {};
    std::snprintf(text, sizeof text, "%d pixels differ, first at (%d,%d)", count, firstX, firstY);
    return text;
}

}  // namespace facts
