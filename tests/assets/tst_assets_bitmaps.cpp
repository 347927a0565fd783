// The bitmap files: their headers, the board background's layout, the
// move-button arrows and the start dialog's title picture.

#include "picture_files.h"

#include <QSet>
#include <QTest>

#include <algorithm>
#include <array>
#include <vector>

using velmo::testing::Bmp;
using velmo::testing::le16;
using velmo::testing::le32;
using velmo::testing::le32s;
using velmo::testing::Rgb;

namespace {

bool isBrick(const Rgb& c) { return c.r > c.g + 20 && c.r > c.b + 30; }
bool isSkyBlue(const Rgb& c) { return c.b > c.r + 20 && c.b >= c.g; }
bool isGrass(const Rgb& c) { return c.g > c.r && c.r > c.b; }
bool isGreyStone(const Rgb& c)
{
    return std::abs(c.r - c.g) < 16 && std::abs(c.g - c.b) < 16 && std::abs(c.r - c.b) < 16 && c.g > 60;
}

// Median of each channel along a row segment: robust against a stray cloud.
Rgb medianOfRow(const Bmp& img, int y, int x0, int x1)
{
    std::vector<int> r;
    std::vector<int> g;
    std::vector<int> b;
    for (int x = x0; x <= x1; ++x) {
        const Rgb c = img.at(x, y);
        r.push_back(c.r);
        g.push_back(c.g);
        b.push_back(c.b);
    }
    const auto mid = [](std::vector<int>& v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    return {mid(r), mid(g), mid(b)};
}

bool near(const Rgb& a, const Rgb& b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

QString describe(const Rgb& c) { return QStringLiteral("(%1, %2, %3)").arg(c.r).arg(c.g).arg(c.b); }

// Leftmost and rightmost brick pixel of a row of the platform's top.
std::pair<int, int> brickExtent(const Bmp& back, int y)
{
    int left = -1;
    int right = -1;
    for (int x = 0; x < 480; ++x) {
        if (isBrick(back.at(x, y))) {
            if (left < 0) {
                left = x;
            }
            right = x;
        }
    }
    return {left, right};
}

} // namespace

class TestBitmaps : public QObject {
    Q_OBJECT

private slots:
    void headers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("imageSize");
        QTest::addColumn<int>("resolution");
        QTest::addRow("BACK") << "BACK.bmp" << 480 << 360 << 518400 << 3780;
        for (int id = 101; id <= 207; id += (id == 107 ? 94 : 1)) {
            QTest::addRow("%d", id) << QString::number(id) + ".bmp" << 120 << 30 << 10800 << 3796;
        }
        for (char c : {'a', 'b', 'c', 'd'}) {
            QTest::addRow("arrow %c", c) << QStringLiteral("arrow-%1.bmp").arg(QChar(c)) << 40 << 20 << 2400 << 3780;
        }
        QTest::addRow("title") << "title.bmp" << 320 << 240 << 230400 << 3780;
    }

    void headers()
    {
        QFETCH(QString, file);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, imageSize);
        QFETCH(int, resolution);
        const Bmp bmp(file);
        QVERIFY2(bmp.loaded(), qPrintable(file));
        const QByteArray& raw = bmp.raw();
        QCOMPARE(raw.left(2), QByteArray("BM"));
        QCOMPARE(le32(raw, 2), quint32(raw.size()));
        QCOMPARE(le32(raw, 6), 0u);
        QCOMPARE(le32(raw, 10), 54u);  // no colour table
        QCOMPARE(le32(raw, 14), 40u);
        QCOMPARE(le32s(raw, 18), width);
        QCOMPARE(le32s(raw, 22), height);  // positive: bottom-up rows
        QCOMPARE(le16(raw, 26), 1);
        QCOMPARE(le16(raw, 28), 24);
        QCOMPARE(le32(raw, 30), 0u);
        QCOMPARE(le32s(raw, 34), imageSize);
        QCOMPARE(le32s(raw, 38), resolution);
        QCOMPARE(le32s(raw, 42), resolution);
        QCOMPARE(le32(raw, 46), 0u);
        QCOMPARE(le32(raw, 50), 0u);
        QCOMPARE(bmp.stride() * height, imageSize);
        QCOMPARE(raw.size(), 54 + imageSize);
    }

    // The first stored row is the bottom of the picture: grass, not sky.
    void backgroundIsStoredBottomUp()
    {
        const Bmp back("BACK.bmp");
        QVERIFY(back.loaded());
        const QByteArray& raw = back.raw();
        long sums[2][3] = {};
        for (int x = 0; x < 480; ++x) {
            for (int ch = 0; ch < 3; ++ch) {
                sums[0][ch] += static_cast<uchar>(raw[54 + 3 * x + ch]);
                sums[1][ch] += static_cast<uchar>(raw[54 + 359 * 1440 + 3 * x + ch]);
            }
        }
        const Rgb firstStored{int(sums[0][2] / 480), int(sums[0][1] / 480), int(sums[0][0] / 480)};
        const Rgb lastStored{int(sums[1][2] / 480), int(sums[1][1] / 480), int(sums[1][0] / 480)};
        QVERIFY2(isGrass(firstStored), qPrintable(describe(firstStored)));
        QVERIFY2(isSkyBlue(lastStored), qPrintable(describe(lastStored)));
    }

    void backgroundSky()
    {
        const Bmp back("BACK.bmp");
        QVERIFY(back.loaded());
        const Rgb top = medianOfRow(back, 0, 180, 479);
        const Rgb light = medianOfRow(back, 165, 330, 479);
        const Rgb low = medianOfRow(back, 240, 0, 170);
        QVERIFY2(near(top, {52, 125, 194}, 10), qPrintable(describe(top)));
        QVERIFY2(near(light, {94, 151, 204}, 10), qPrintable(describe(light)));
        QVERIFY2(near(low, {72, 137, 198}, 10), qPrintable(describe(low)));
        // Lightest in the middle band, deeper above and below it.
        QVERIFY(light.sum() > top.sum() + 40);
        QVERIFY(light.sum() > low.sum() + 20);
        // Clouds: near-white pixels over the upper left and the centre, fewer on the right.
        const auto cloudPixels = [&](int x0, int x1, int y0, int y1) {
            int n = 0;
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    const Rgb c = back.at(x, y);
                    n += (c.r > 180 && c.g > 190 && c.b > 200) ? 1 : 0;
                }
            }
            return n;
        };
        const int upperLeft = cloudPixels(0, 180, 0, 120);
        const int centre = cloudPixels(180, 330, 60, 160);
        const int right = cloudPixels(340, 479, 0, 120);
        QVERIFY2(upperLeft > 2000, qPrintable(QString::number(upperLeft)));
        QVERIFY2(centre > 1000, qPrintable(QString::number(centre)));
        QVERIFY(right > 50 && right < centre);
    }

    // The top surface: a trapezoid from row 250 (x ~70-409) to row 279
    // (x 3-477), symmetric about x = 239.5, widening about 2.4 px a row.
    void backgroundPlatform()
    {
        const Bmp back("BACK.bmp");
        QVERIFY(back.loaded());
        const auto [backLeft, backRight] = brickExtent(back, 250);
        QVERIFY2(backLeft >= 67 && backLeft <= 73, qPrintable(QString::number(backLeft)));
        QVERIFY2(backRight >= 406 && backRight <= 412, qPrintable(QString::number(backRight)));
        const auto [frontLeft, frontRight] = brickExtent(back, 279);
        QVERIFY2(frontLeft >= 2 && frontLeft <= 4, qPrintable(QString::number(frontLeft)));
        QVERIFY2(frontRight >= 475 && frontRight <= 477, qPrintable(QString::number(frontRight)));
        for (int y = 250; y <= 279; ++y) {
            const auto [left, right] = brickExtent(back, y);
            QVERIFY2(std::abs(left + right - 479) <= 1, qPrintable(QStringLiteral("row %1: %2-%3").arg(y).arg(left).arg(right)));
        }
        const double widening = (backLeft - frontLeft) / 29.0;
        QVERIFY2(widening > 2.1 && widening < 2.6, qPrintable(QString::number(widening)));
        // Above the back edge there is no brick.
        for (int x = 60; x < 420; ++x) {
            QVERIFY(!isBrick(back.at(x, 248)));
        }
        // The front face spans the full width from row 280 to 290.
        for (int y = 280; y <= 290; ++y) {
            int bricks = 0;
            for (int x = 0; x < 480; ++x) {
                const Rgb c = back.at(x, y);
                bricks += (c.r > c.g && c.r > c.b) ? 1 : 0;
            }
            QVERIFY2(bricks == 480, qPrintable(QStringLiteral("row %1: %2 reddish pixels").arg(y).arg(bricks)));
        }
        // Darker joints between the bricks: each course row holds both
        // brick-coloured and clearly darker pixels.
        const Rgb brick = medianOfRow(back, 270, 100, 380);
        QVERIFY2(near(brick, {130, 80, 50}, 25), qPrintable(describe(brick)));
        int dark = 0;
        for (int x = 100; x <= 380; ++x) {
            dark += back.at(x, 270).sum() + 60 < brick.sum() ? 1 : 0;
        }
        QVERIFY2(dark >= 5, "no joints between the bricks");
    }

    void backgroundGrassAndBoulders()
    {
        const Bmp back("BACK.bmp");
        QVERIFY(back.loaded());
        int grass = 0;
        int total = 0;
        int leftStones = 0;
        int rightStones = 0;
        for (int y = 291; y < 360; ++y) {
            for (int x = 0; x < 480; ++x) {
                const Rgb c = back.at(x, y);
                grass += isGrass(c) ? 1 : 0;
                ++total;
                if (isGreyStone(c)) {
                    (x < 160 ? leftStones : rightStones) += 1;
                }
            }
        }
        QVERIFY2(grass > total * 9 / 10, qPrintable(QStringLiteral("%1 of %2").arg(grass).arg(total)));
        const Rgb typical = medianOfRow(back, 340, 0, 479);
        QVERIFY2(near(typical, {133, 160, 68}, 25), qPrintable(describe(typical)));
        QVERIFY2(leftStones > 300, qPrintable(QString::number(leftStones)));
        QCOMPARE(rightStones, 0);
    }

    // No pegs: along the three stack axes nothing upright stands out from
    // the sky a little to either side, from the top of a full stack down to
    // the horizon. The texture of a cloud may differ for a few rows; a post
    // would differ over a long run of rows. Nothing brick- or wood-coloured
    // stands above the platform there either.
    void backgroundHasNoPegs()
    {
        const Bmp back("BACK.bmp");
        QVERIFY(back.loaded());
        for (int axis : {119, 239, 359}) {
            for (int x : {axis, axis + 1}) {
                int run = 0;
                int longest = 0;
                for (int y = 110; y < 224; ++y) {
                    const Rgb c = back.at(x, y);
                    const Rgb l = back.at(x - 8, y);
                    const Rgb r = back.at(x + 8, y);
                    QVERIFY2(c.b > c.r, qPrintable(QStringLiteral("(%1, %2) %3").arg(x).arg(y).arg(describe(c))));
                    const bool standsOut = std::abs(2 * c.sum() - l.sum() - r.sum()) > 60;
                    run = standsOut ? run + 1 : 0;
                    longest = std::max(longest, run);
                }
                QVERIFY2(longest < 20, qPrintable(QStringLiteral("x = %1: %2 rows stand out").arg(x).arg(longest)));
                for (int y = 100; y < 250; ++y) {
                    QVERIFY2(!isBrick(back.at(x, y)), qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
                }
            }
        }
        // Left of the distant shapes the sky reaches down to the platform.
        for (int y = 224; y < 246; ++y) {
            QVERIFY(isSkyBlue(back.at(119, y)));
        }
    }

    void backgroundHasManyColours()
    {
        const Bmp back("BACK.bmp");
        QVERIFY(back.loaded());
        QSet<int> colours;
        for (int y = 0; y < 360; ++y) {
            for (int x = 0; x < 480; ++x) {
                const Rgb c = back.at(x, y);
                colours.insert((c.r << 16) | (c.g << 8) | c.b);
            }
        }
        QVERIFY2(colours.size() >= 20000, qPrintable(QString::number(colours.size())));
    }

    // No steps in the sky gradient: in a cloud-free patch the row averages
    // change smoothly.
    void backgroundSkyHasNoBands()
    {
        const Bmp back("BACK.bmp");
        QVERIFY(back.loaded());
        double previous[3] = {};
        for (int y = 140; y <= 220; ++y) {
            double mean[3] = {};
            for (int x = 400; x < 480; ++x) {
                const Rgb c = back.at(x, y);
                mean[0] += c.r / 80.0;
                mean[1] += c.g / 80.0;
                mean[2] += c.b / 80.0;
            }
            for (int ch = 0; ch < 3 && y > 140; ++ch) {
                QVERIFY2(std::abs(mean[ch] - previous[ch]) < 1.0, qPrintable(QStringLiteral("row %1").arg(y)));
            }
            std::copy(mean, mean + 3, previous);
        }
    }

    void arrowsMirror()
    {
        for (const auto& [original, mirror] : {std::pair{"arrow-a.bmp", "arrow-c.bmp"}, std::pair{"arrow-b.bmp", "arrow-d.bmp"}}) {
            const Bmp a(original);
            const Bmp m(mirror);
            QVERIFY(a.loaded() && m.loaded());
            bool symmetric = true;
            for (int y = 0; y < 20; ++y) {
                for (int x = 0; x < 40; ++x) {
                    QCOMPARE(m.at(x, y), a.at(39 - x, y));
                    symmetric = symmetric && a.at(x, y) == a.at(39 - x, y);
                }
            }
            QVERIFY2(!symmetric, "an arrow must point one way");
        }
    }

    // Mid grey around the arrow, and nowhere inside it: every grey pixel
    // is reachable from the border through grey pixels.
    void arrowGround_data()
    {
        QTest::addColumn<QString>("file");
        for (char c : {'a', 'b', 'c', 'd'}) {
            QTest::addRow("%c", c) << QStringLiteral("arrow-%1.bmp").arg(QChar(c));
        }
    }
    void arrowGround()
    {
        QFETCH(QString, file);
        const Bmp arrow(file);
        QVERIFY(arrow.loaded());
        const Rgb grey{128, 128, 128};
        std::array<std::array<bool, 40>, 20> reached{};
        std::vector<std::pair<int, int>> todo;
        for (int x = 0; x < 40; ++x) {
            QCOMPARE(arrow.at(x, 0), grey);
            QCOMPARE(arrow.at(x, 19), grey);
            todo.push_back({x, 0});
            todo.push_back({x, 19});
        }
        for (int y = 0; y < 20; ++y) {
            QCOMPARE(arrow.at(0, y), grey);
            QCOMPARE(arrow.at(39, y), grey);
            todo.push_back({0, y});
            todo.push_back({39, y});
        }
        while (!todo.empty()) {
            const auto [x, y] = todo.back();
            todo.pop_back();
            if (x < 0 || y < 0 || x >= 40 || y >= 20 || reached[y][x] || !(arrow.at(x, y) == grey)) {
                continue;
            }
            reached[y][x] = true;
            todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
        }
        int arrowPixels = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 40; ++x) {
                const bool ground = arrow.at(x, y) == grey;
                QVERIFY2(!ground || reached[y][x], qPrintable(QStringLiteral("grey hole at (%1, %2)").arg(x).arg(y)));
                arrowPixels += ground ? 0 : 1;
            }
        }
        QVERIFY(arrowPixels > 150 && arrowPixels < 600);
    }

    // A: blue, pointing right (its tallest columns are the head on the
    // right). B: red with a blue head in front of it.
    void arrowColoursAndDirection()
    {
        const Bmp a("arrow-a.bmp");
        const Bmp b("arrow-b.bmp");
        QVERIFY(a.loaded() && b.loaded());
        const Rgb grey{128, 128, 128};
        int blue = 0;
        int red = 0;
        int tallest = 0;
        int tallestColumn = -1;
        for (int x = 0; x < 40; ++x) {
            int height = 0;
            for (int y = 0; y < 20; ++y) {
                const Rgb c = a.at(x, y);
                if (c == grey) {
                    continue;
                }
                ++height;
                blue += c.b > c.r + 40 ? 1 : 0;
                red += c.r > c.b + 40 ? 1 : 0;
            }
            if (height > tallest) {
                tallest = height;
                tallestColumn = x;
            }
        }
        QVERIFY(blue > 100);
        QCOMPARE(red, 0);
        QVERIFY2(tallestColumn > 20, qPrintable(QString::number(tallestColumn)));

        int maxRedX = -1;
        int minBlueX = 40;
        int redCount = 0;
        int blueRightOfRed = 0;
        for (int x = 0; x < 40; ++x) {
            for (int y = 0; y < 20; ++y) {
                const Rgb c = b.at(x, y);
                if (c.r > c.b + 60) {
                    maxRedX = std::max(maxRedX, x);
                    ++redCount;
                }
            }
        }
        for (int x = 0; x < 40; ++x) {
            for (int y = 0; y < 20; ++y) {
                const Rgb c = b.at(x, y);
                if (c.b > c.r + 60) {
                    minBlueX = std::min(minBlueX, x);
                    blueRightOfRed += x > maxRedX ? 1 : 0;
                }
            }
        }
        QVERIFY(redCount > 100);
        QVERIFY2(minBlueX >= maxRedX - 1, "the blue head lies in front of the red arrow");
        QVERIFY(blueRightOfRed > 30);
    }

    // Title: lettering at the upper left, white-text areas of the dialog
    // kept dark and free of lettering, blue at the top turning violet.
    void titlePicture()
    {
        const Bmp title("title.bmp");
        QVERIFY(title.loaded());
        const auto isGold = [](const Rgb& c) { return c.r > 200 && c.g > 120 && c.b < 140; };
        int gold = 0;
        for (int y = 0; y < 90; ++y) {
            for (int x = 0; x < 190; ++x) {
                gold += isGold(title.at(x, y)) ? 1 : 0;
            }
        }
        QVERIFY2(gold > 1000, qPrintable(QString::number(gold)));
        // Behind the white version label and the white tier label.
        for (const auto& [x0, y0, x1, y1] : {std::array{190, 25, 295, 50}, std::array{253, 126, 269, 142}}) {
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    const Rgb c = title.at(x, y);
                    QVERIFY2(c.sum() < 420 && !isGold(c), qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
                }
            }
        }
        const Rgb topLeft = title.at(2, 100);
        const Rgb bottomRight = title.at(317, 237);
        QVERIFY(topLeft.b > topLeft.r + 60);
        QVERIFY(bottomRight.r > topLeft.r + 30 && bottomRight.b > bottomRight.g + 40);
        // The brick cone in the middle.
        int bricks = 0;
        for (int y = 90; y < 200; ++y) {
            bricks += isBrick(title.at(144, y)) ? 1 : 0;
        }
        QVERIFY(bricks > 70);
    }
};

QTEST_APPLESS_MAIN(TestBitmaps)
#include "tst_assets_bitmaps.moc"
