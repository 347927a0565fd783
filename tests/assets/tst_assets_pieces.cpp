// The seven pieces and their masks: geometry, the mask rule, masked drawing
// and shading.

#include "picture_files.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

using velmo::testing::Bmp;
using velmo::testing::Rgb;

namespace {

struct Span {
    int row = -1;
    int left = 0;
    int right = -1;
};

struct Expected {
    int size;
    int left;
    int right;
    Span top;
    Span bottom;
    int count;
    Rgb highlight;
    Rgb darkest;
};

const Expected kPieces[] = {
    {1, 41, 78, {}, {}, 760, {147, 243, 218}, {18, 36, 32}},
    {2, 37, 82, {}, {}, 920, {85, 86, 204}, {7, 6, 29}},
    {3, 33, 86, {}, {}, 1080, {124, 209, 187}, {16, 31, 29}},
    {4, 28, 92, {}, {25, 44, 76}, 1333, {70, 72, 174}, {6, 6, 26}},
    {5, 21, 98, {}, {25, 33, 87}, 1615, {98, 170, 153}, {14, 27, 26}},
    {6, 14, 106, {4, 40, 79}, {25, 21, 98}, 1978, {50, 51, 140}, {6, 6, 25}},
    {7, 4, 115, {4, 20, 99}, {25, 10, 110}, 2421, {72, 133, 121}, {13, 26, 25}},
};

const Expected& expected(int size) { return kPieces[size - 1]; }

bool inShape(const Expected& e, int x, int y)
{
    if (y >= 5 && y <= 24) {
        return x >= e.left && x <= e.right;
    }
    for (const Span& s : {e.top, e.bottom}) {
        if (y == s.row && x >= s.left && x <= s.right) {
            return true;
        }
    }
    return false;
}

// Perceived brightness, enough to order the shades of one colour.
int luma(const Rgb& c) { return 299 * c.r + 587 * c.g + 114 * c.b; }

QString pieceFile(int size) { return QString::number(100 + size) + QStringLiteral(".bmp"); }
QString maskFile(int size) { return QString::number(200 + size) + QStringLiteral(".bmp"); }

double meanBodyLuma(const Bmp& piece, const Expected& e)
{
    double sum = 0;
    int n = 0;
    for (int y = 6; y <= 23; ++y) {
        for (int x = e.left + 1; x < e.right; ++x) {
            sum += luma(piece.at(x, y));
            ++n;
        }
    }
    return sum / n;
}

} // namespace

class TestPieces : public QObject {
    Q_OBJECT

private slots:
    void sizes_data()
    {
        QTest::addColumn<int>("size");
        for (int s = 1; s <= 7; ++s) {
            QTest::addRow("size %d", s) << s;
        }
    }

    // The piece is pure white exactly outside its body and fringe rows.
    void shapeMatchesTheTable_data() { sizes_data(); }
    void shapeMatchesTheTable()
    {
        QFETCH(int, size);
        const Expected& e = expected(size);
        const Bmp piece(pieceFile(size));
        QVERIFY(piece.loaded());
        int painted = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 120; ++x) {
                const bool white = piece.at(x, y).isWhite();
                if (inShape(e, x, y) == white) {
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3").arg(x).arg(y).arg(white ? "white" : "painted")));
                }
                painted += white ? 0 : 1;
            }
        }
        QCOMPARE(painted, e.count);
        // Even widths centre on x = 59.5, odd ones half a pixel further right.
        QCOMPARE(e.left + e.right, (e.right - e.left + 1) % 2 == 0 ? 119 : 120);
    }

    void maskFollowsTheRule_data() { sizes_data(); }
    void maskFollowsTheRule()
    {
        QFETCH(int, size);
        const Bmp piece(pieceFile(size));
        const Bmp mask(maskFile(size));
        QVERIFY(piece.loaded() && mask.loaded());
        int white = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 120; ++x) {
                const Rgb m = mask.at(x, y);
                QVERIFY2(m.isWhite() || m.sum() == 0, "mask pixel neither black nor white");
                QCOMPARE(m.isWhite(), !piece.at(x, y).isWhite());
                white += m.isWhite() ? 1 : 0;
            }
        }
        QCOMPARE(white, expected(size).count);
    }

    // OR the mask, then AND the piece, on the raw 24-bit rows over a random
    // background: exactly the mask's white pixels take the piece's colours.
    void maskedDrawingCoversExactlyTheMask_data() { sizes_data(); }
    void maskedDrawingCoversExactlyTheMask()
    {
        QFETCH(int, size);
        const Bmp piece(pieceFile(size));
        const Bmp mask(maskFile(size));
        QVERIFY(piece.loaded() && mask.loaded());
        QRandomGenerator rng(0x5EED0000u + static_cast<quint32>(size));
        const int bytes = piece.stride() * 30;
        QByteArray board(bytes, Qt::Uninitialized);
        for (char& c : board) {
            c = static_cast<char>(rng.bounded(256));
        }
        QByteArray drawn = board;
        for (int i = 0; i < bytes; ++i) {
            drawn[i] = static_cast<char>(drawn[i] | mask.raw()[mask.dataOffset() + i]);
        }
        for (int i = 0; i < bytes; ++i) {
            drawn[i] = static_cast<char>(drawn[i] & piece.raw()[piece.dataOffset() + i]);
        }
        int covered = 0;
        for (int i = 0; i < bytes; i += 3) {
            const bool inMask = static_cast<uchar>(mask.raw()[mask.dataOffset() + i]) == 255;
            const QByteArray expectedBytes = (inMask ? piece.raw().mid(piece.dataOffset() + i, 3) : board.mid(i, 3));
            QCOMPARE(drawn.mid(i, 3), expectedBytes);
            covered += inMask ? 1 : 0;
        }
        QCOMPARE(covered, expected(size).count);
    }

    // Lit from the left: the same profile on every inner body row, rising
    // to the highlight at 30-35 % of the width, falling evenly to the
    // darkest colour beside the right outline.
    void shadingProfile_data() { sizes_data(); }
    void shadingProfile()
    {
        QFETCH(int, size);
        const Expected& e = expected(size);
        const Bmp piece(pieceFile(size));
        QVERIFY(piece.loaded());
        const int width = e.right - e.left + 1;
        for (int y = 7; y <= 23; ++y) {
            for (int x = e.left; x <= e.right; ++x) {
                QCOMPARE(piece.at(x, y), piece.at(x, 6));
            }
        }
        // Inside the outline columns, which are mixed with white. The
        // brightest columns may form a narrow band; all of it must lie at
        // 30-35 % of the width.
        int best = 0;
        for (int x = e.left + 1; x < e.right; ++x) {
            best = std::max(best, luma(piece.at(x, 14)));
        }
        int firstPeak = -1;
        int peak = -1;
        int trough = e.left + 1;
        for (int x = e.left + 1; x < e.right; ++x) {
            const int l = luma(piece.at(x, 14));
            if (l == best) {
                firstPeak = firstPeak < 0 ? x : firstPeak;
                peak = x;
            }
            if (l < luma(piece.at(trough, 14))) {
                trough = x;
            }
        }
        for (int x : {firstPeak, peak}) {
            const double at = (x - e.left + 0.5) / width;
            QVERIFY2(at >= 0.30 && at <= 0.35, qPrintable(QStringLiteral("highlight at %1 of the width").arg(at)));
        }
        QCOMPARE(trough, e.right - 1);
        for (int x = e.left + 2; x <= firstPeak; ++x) {
            QVERIFY(luma(piece.at(x, 14)) >= luma(piece.at(x - 1, 14)));
        }
        // An even fall: every step down is about the same size.
        int minStep = 1 << 30;
        int maxStep = 0;
        for (int x = peak + 1; x <= e.right - 1; ++x) {
            const Rgb a = piece.at(x - 1, 14);
            const Rgb b = piece.at(x, 14);
            const int step = a.sum() - b.sum();
            QVERIFY2(step > 0, "the shading must fall towards the right");
            minStep = std::min(minStep, step);
            maxStep = std::max(maxStep, step);
        }
        const QString steps = QStringLiteral("steps from %1 to %2").arg(minStep).arg(maxStep);
        QVERIFY2(maxStep - minStep <= 3, qPrintable(steps));
        // Middle tone at the left: between the darkest colour and the highlight.
        const int leftLuma = luma(piece.at(e.left + 1, 14));
        QVERIFY(leftLuma < luma(piece.at(peak, 14)));
        QVERIFY(leftLuma > luma(piece.at(trough, 14)));
        // Highlight and darkest colours close to the table's.
        const auto close = [](const Rgb& a, const Rgb& b) {
            return std::abs(a.r - b.r) <= 10 && std::abs(a.g - b.g) <= 10 && std::abs(a.b - b.b) <= 10;
        };
        QVERIFY(close(piece.at(peak, 14), e.highlight));
        QVERIFY(close(piece.at(trough, 14), e.darkest));
    }

    // Outline pixels are the body colour mixed with white: never darker than
    // the body pixel beside them, and the fringes lighter still.
    void lightOutline_data() { sizes_data(); }
    void lightOutline()
    {
        QFETCH(int, size);
        const Expected& e = expected(size);
        const Bmp piece(pieceFile(size));
        QVERIFY(piece.loaded());
        const auto lighter = [](const Rgb& edge, const Rgb& body) {
            return edge.r >= body.r && edge.g >= body.g && edge.b >= body.b && edge.sum() > body.sum();
        };
        for (int y = 6; y <= 23; ++y) {
            QVERIFY(lighter(piece.at(e.left, y), piece.at(e.left + 1, y)));
            QVERIFY(lighter(piece.at(e.right, y), piece.at(e.right - 1, y)));
        }
        for (int x = e.left + 1; x < e.right; ++x) {
            QVERIFY(lighter(piece.at(x, 5), piece.at(x, 6)));
            QVERIFY(lighter(piece.at(x, 24), piece.at(x, 23)));
        }
        for (const Span& s : {e.top, e.bottom}) {
            for (int x = s.left; x <= s.right && s.row >= 0; ++x) {
                const int bodyRow = s.row < 5 ? 6 : 23;
                QVERIFY(lighter(piece.at(x, s.row), piece.at(x, bodyRow)));
            }
        }
    }

    // Odd sizes sea green, even sizes dark blue; within a family a larger
    // piece is darker.
    void colourFamilies()
    {
        double previous[2] = {1e9, 1e9};
        for (int size = 1; size <= 7; ++size) {
            const Expected& e = expected(size);
            const Bmp piece(pieceFile(size));
            QVERIFY(piece.loaded());
            const int width = e.right - e.left + 1;
            const Rgb hi = piece.at(e.left + width / 3, 14);
            if (size % 2 == 1) {
                QVERIFY2(hi.g > hi.r + 40 && hi.b > hi.r + 40 && hi.g >= hi.b, "odd sizes are sea green");
            } else {
                QVERIFY2(hi.b > hi.r + 60 && hi.b > hi.g + 60, "even sizes are dark blue");
            }
            const double mean = meanBodyLuma(piece, e);
            QVERIFY2(mean < previous[size % 2], qPrintable(QStringLiteral("size %1 is not darker").arg(size)));
            previous[size % 2] = mean;
        }
    }
};

QTEST_APPLESS_MAIN(TestPieces)
#include "tst_assets_pieces.moc"
