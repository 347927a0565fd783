// What every back end of the platform layer must do alike, checked through
// the neutral interface only: the bitmap resources and form pictures, the
// bitwise transfers between picture boxes, forms built from their
// definitions, the application object, and the report of a run-time error.
// Built and run once with each back end (under Wine for Windows).
#include "app.h"
#include "check.h"
#include "facts.h"
#include "forms.h"
#include "frmMain.h"
#include "frmStart.h"
#include "native.h"
#include "picture.h"
#include "runtime.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::Kind;
using platform::PictureBox;

const std::string kAssets = VELMO_ASSETS_DIR;

facts::Bitmap bitmapOf(const platform::Picture& picture)
{
    facts::Bitmap b{picture.Width(), picture.Height(),
                    std::vector<std::uint32_t>(std::size_t(picture.Width()) * std::size_t(picture.Height()))};
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            b.at(x, y) = picture.Pixel(x, y);
    return b;
}

#define CHECK_SAME(actual, expected)                                       \
    do {                                                                   \
        const std::string diff_ = facts::difference((actual), (expected)); \
        CHECK_MSG(diff_.empty(), diff_);                                   \
    } while (false)

// A window with three picture boxes, a label, a list and a button.
constexpr platform::ControlDef kControls[] = {
    {.kind = Kind::PictureBox, .name = "picBoard", .rect = {0, 0, 480, 360}},
    {.kind = Kind::Label, .name = "labText", .parent = "picBoard", .rect = {10, 10, 200, 40},
     .caption = "n段", .font = {"MS UI Gothic", 12, true}, .color = 0x00FFFFFF},
    {.kind = Kind::ComboBox, .name = "cboList", .parent = "picBoard", .rect = {10, 60, 47, 30},
     .caption = "3\n4\n5", .font = {"Times New Roman", 14.25, true}, .tabIndex = 1},
    {.kind = Kind::CommandButton, .name = "cmdGo", .parent = "picBoard", .rect = {10, 100, 90, 27},
     .caption = "終了(&Q)", .tabIndex = 2, .flags = platform::Hidden},
    {.kind = Kind::PictureBox, .name = "picSprite", .rect = {345, 37, 120, 30}, .flags = platform::Hidden},
    {.kind = Kind::PictureBox, .name = "picOther", .rect = {345, 76, 120, 30}, .flags = platform::Hidden},
};
constexpr platform::FormDef kForm = {
    .name = "frmContract", .caption = "Velmo", .width = 480, .height = 360,
    .font = {"MS UI Gothic", 9, false}, .controls = kControls,
};

struct Boxes {
    platform::Form form{kForm};
    PictureBox& board = form.Find<PictureBox>("picBoard");
    PictureBox& sprite = form.Find<PictureBox>("picSprite");
    PictureBox& other = form.Find<PictureBox>("picOther");
};

// The board after a transfer, as it must be: rop applied to every pixel of
// the rectangle that lies inside both pictures.
facts::Bitmap transferred(facts::Bitmap board, const facts::Bitmap& sprite, int x, int y, std::uint32_t rop)
{
    for (int sy = 0; sy < sprite.height; ++sy)
        for (int sx = 0; sx < sprite.width; ++sx) {
            const int bx = x + sx, by = y + sy;
            if (bx < 0 || by < 0 || bx >= board.width || by >= board.height)
                continue;
            std::uint32_t& d = board.at(bx, by);
            const std::uint32_t s = sprite.at(sx, sy);
            d = rop == platform::SRCPAINT ? (d | s) : rop == platform::SRCAND ? (d & s) : s;
        }
    return board;
}

}  // namespace

TEST_CASE(bitmapResourcesAreTheCommittedFiles)
{
    CHECK_SAME(bitmapOf(platform::LoadResPicture("BACK", 0)), facts::readBmp(kAssets + "/BACK.bmp"));
    for (int size = 1; size <= 7; ++size)
        for (int id : {100 + size, 200 + size}) {
            const platform::Picture picture = platform::LoadResPicture(id, 0);
            CHECK_EQ(picture.Width(), 120);
            CHECK_EQ(picture.Height(), 30);
            CHECK_SAME(bitmapOf(picture), facts::readBmp(kAssets + "/" + std::to_string(id) + ".bmp"));
        }
}

TEST_CASE(unknownResourcesAreRuntimeErrors)
{
    // A failed load is not remembered as a picture: the next one fails too.
    for (int attempt = 0; attempt < 2; ++attempt)
        for (int id : {0, 100, 108, 200, 208, 999, -101})
            CHECK_RAISES(vb::ErrorKind::ResourceNotFound, platform::LoadResPicture(id, 0));
    CHECK_RAISES(vb::ErrorKind::ResourceNotFound, platform::LoadResPicture("FRONT", 0));
    CHECK_RAISES(vb::ErrorKind::InvalidProcedureCall, platform::LoadResPicture(101, 1));
}

TEST_CASE(formPicturesAreTheCommittedFiles)
{
    for (const char* file : {"title.bmp", "arrow-a.bmp", "arrow-b.bmp", "arrow-c.bmp", "arrow-d.bmp"})
        CHECK_SAME(bitmapOf(platform::FormPicture(file)), facts::readBmp(kAssets + "/" + file));
    CHECK_EQ(platform::FormPicture("title.bmp").Width(), 320);
    CHECK_RAISES(vb::ErrorKind::ResourceNotFound, platform::FormPicture("none.bmp"));
}

TEST_CASE(transfersAreBitwise)
{
    const facts::Bitmap back = facts::readBmp(kAssets + "/BACK.bmp");
    const facts::Bitmap piece = facts::readBmp(kAssets + "/105.bmp");
    for (std::uint32_t rop : {platform::SRCPAINT, platform::SRCAND, platform::SRCCOPY}) {
        Boxes b;
        b.board.SetPicture(platform::LoadResPicture("BACK", 0));
        b.sprite.SetPicture(platform::LoadResPicture(105, 0));
        CHECK(platform::BitBlt(b.board.hDC(), 61, 237, 120, 30, b.sprite.hDC(), 0, 0, rop));
        CHECK_SAME(bitmapOf(b.board.Image()), transferred(back, piece, 61, 237, rop));
        // The source is left as it was.
        CHECK_SAME(bitmapOf(b.sprite.Image()), piece);
    }
}

TEST_CASE(transfersClipToBothPictures)
{
    const facts::Bitmap back = facts::readBmp(kAssets + "/BACK.bmp");
    const facts::Bitmap mask = facts::readBmp(kAssets + "/207.bmp");
    Boxes b;
    b.board.SetPicture(platform::LoadResPicture("BACK", 0));
    b.sprite.SetPicture(platform::LoadResPicture(207, 0));
    // Hanging over the top-left and the bottom-right corners.
    platform::BitBlt(b.board.hDC(), -40, -6, 120, 30, b.sprite.hDC(), 0, 0, platform::SRCPAINT);
    platform::BitBlt(b.board.hDC(), 400, 345, 120, 30, b.sprite.hDC(), 0, 0, platform::SRCPAINT);
    CHECK_SAME(bitmapOf(b.board.Image()),
               transferred(transferred(back, mask, -40, -6, platform::SRCPAINT), mask, 400, 345, platform::SRCPAINT));
}

TEST_CASE(transferOntoItselfReadsTheOldPixels)
{
    const facts::Bitmap piece = facts::readBmp(kAssets + "/107.bmp");
    Boxes b;
    b.sprite.SetPicture(platform::LoadResPicture(107, 0));
    CHECK(platform::BitBlt(b.sprite.hDC(), 1, 0, 119, 30, b.sprite.hDC(), 0, 0, platform::SRCCOPY));
    const platform::Picture out = b.sprite.Image();
    for (int y = 0; y < 30; ++y)
        for (int x = 1; x < 120; ++x)
            CHECK_EQ(out.Pixel(x, y), piece.at(x - 1, y));
}

TEST_CASE(transfersWithoutAPictureDrawNothing)
{
    Boxes b;
    b.board.SetPicture(platform::LoadResPicture("BACK", 0));
    CHECK(!platform::BitBlt(b.other.hDC(), 0, 0, 5, 5, b.board.hDC(), 0, 0, platform::SRCPAINT));
    CHECK(!platform::BitBlt(b.board.hDC(), 0, 0, 5, 5, b.other.hDC(), 0, 0, platform::SRCPAINT));
    CHECK_SAME(bitmapOf(b.board.Image()), facts::readBmp(kAssets + "/BACK.bmp"));
}

// The board's drawing protocol gives the composite, and every picture keeps
// its pixels: a picture read back before a transfer, the resource loaded
// again, the hidden boxes' images.
TEST_CASE(boardProtocolGivesTheComposite)
{
    Boxes b;
    facts::Pegs pegs = facts::startPegs(7);
    facts::apply(pegs, facts::button(1, 3));
    const platform::Picture before = [&] {
        b.board.SetPicture(platform::LoadResPicture("BACK", 0));
        return b.board.Image();
    }();
    for (int p = 1; p <= 3; ++p)
        for (std::size_t level = 0; level < pegs[std::size_t(p)].size(); ++level) {
            const int size = pegs[std::size_t(p)][level];
            const int x = facts::pieceLeft(p), y = facts::pieceTop(int(level));
            const int w = facts::kPieceWidth, h = facts::kPieceHeight;
            b.other.SetPicture(platform::LoadResPicture(200 + size, 0));
            b.sprite.SetPicture(platform::LoadResPicture(100 + size, 0));
            platform::BitBlt(b.board.hDC(), x, y, w, h, b.other.hDC(), 0, 0, platform::SRCPAINT);
            b.board.SetPicture(b.board.Image());
            platform::BitBlt(b.board.hDC(), x, y, w, h, b.sprite.hDC(), 0, 0, platform::SRCAND);
            b.board.SetPicture(b.board.Image());
        }
    CHECK_SAME(bitmapOf(b.board.Image()), facts::boardComposite(pegs, kAssets));
    CHECK_SAME(bitmapOf(before), facts::readBmp(kAssets + "/BACK.bmp"));
    CHECK_SAME(bitmapOf(platform::LoadResPicture("BACK", 0)), facts::readBmp(kAssets + "/BACK.bmp"));
    CHECK_SAME(bitmapOf(b.other.Image()), facts::readBmp(kAssets + "/201.bmp"));
    CHECK(!b.other.Visible());
}

// Redraw after redraw from the same background: a picture read back from
// the box in between keeps its pixels, however the back end reuses the
// memory of an image that nothing holds any more.
TEST_CASE(redrawsLeavePicturesReadBackAsTheyWere)
{
    const facts::Bitmap back = facts::readBmp(kAssets + "/BACK.bmp");
    const facts::Bitmap piece = facts::readBmp(kAssets + "/105.bmp");
    Boxes b;
    const auto redraw = [&](int x) {
        b.board.SetPicture(platform::LoadResPicture("BACK", 0));
        b.sprite.SetPicture(platform::LoadResPicture(105, 0));
        CHECK(platform::BitBlt(b.board.hDC(), x, 237, 120, 30, b.sprite.hDC(), 0, 0, platform::SRCAND));
    };
    redraw(61);
    const platform::Picture first = b.board.Image();
    redraw(181);
    redraw(301);
    CHECK_SAME(bitmapOf(first), transferred(back, piece, 61, 237, platform::SRCAND));
    CHECK_SAME(bitmapOf(b.board.Image()), transferred(back, piece, 301, 237, platform::SRCAND));
    CHECK_SAME(bitmapOf(platform::LoadResPicture("BACK", 0)), back);
}

TEST_CASE(formsAreBuiltFromTheirDefinitions)
{
    platform::Form form(kForm);
    CHECK_EQ(form.Controls().size(), std::size(kControls));
    platform::Label& label = form.Find<platform::Label>("labText");
    CHECK_EQ(label.Caption(), std::string("n段"));
    label.SetCaption("完成！\r\n\r\nおめでとうございます。");
    CHECK_EQ(label.Caption(), std::string("完成！\r\n\r\nおめでとうございます。"));
    CHECK_EQ(label.ForeColor(), 0x00FFFFFFu);
    label.SetForeColor(0x0000FFFF);
    CHECK_EQ(label.ForeColor(), 0x0000FFFFu);
    label.SetDescription("3段 / 最短 7手");
    CHECK_EQ(label.Description(), std::string("3段 / 最短 7手"));

    platform::CommandButton& button = form.Find<platform::CommandButton>("cmdGo");
    CHECK(!button.Visible());
    button.SetVisible(true);
    CHECK(button.Visible());
    CHECK(form.Find<PictureBox>("picBoard").Visible());
    CHECK_RAISES(vb::ErrorKind::InvalidProcedureCall, form.Find<platform::Label>("cmdGo"));
    CHECK_RAISES(vb::ErrorKind::InvalidProcedureCall, form.Find<platform::Label>("labNone"));
}

// Every control of both windows stands where its definition puts it, in
// what the definition puts it in, shown or hidden as it says.
TEST_CASE(windowsAreBuiltAsDefined)
{
    for (const platform::FormDef* def : {&frmStart::kDefinition, &frmMain::kDefinition}) {
        platform::Form form(*def);
        for (const auto& c : form.Controls()) {
            const platform::ControlDef& d = c->Def();
            const platform::Rect r = native::Geometry(*c);
            CHECK_MSG(r == d.rect, std::string(def->name) + "." + d.name + " is " + std::to_string(r.left) + ","
                                       + std::to_string(r.top) + " " + std::to_string(r.width) + "x"
                                       + std::to_string(r.height));
            CHECK_EQ(native::Shown(*c), !(d.flags & platform::Hidden));
            CHECK_EQ(c->Container() ? std::string(c->Container()->Def().name) : std::string(),
                     d.parent ? std::string(d.parent) : std::string());
        }
    }
}

// The first focus goes to the first control in the focus order that shows,
// and a control inside a hidden picture box does not show.
TEST_CASE(firstFocusSkipsWhatIsHidden)
{
    static constexpr platform::ControlDef kHiddenFirst[] = {
        {.kind = Kind::PictureBox, .name = "picHidden", .rect = {0, 0, 100, 60}, .flags = platform::Hidden},
        {.kind = Kind::CommandButton, .name = "cmdInside", .parent = "picHidden", .rect = {5, 5, 80, 24},
         .caption = "A", .tabIndex = 0},
        {.kind = Kind::CommandButton, .name = "cmdHidden", .rect = {5, 70, 80, 24}, .caption = "B", .tabIndex = 1,
         .flags = platform::Hidden},
        {.kind = Kind::CommandButton, .name = "cmdShown", .rect = {5, 100, 80, 24}, .caption = "C", .tabIndex = 2},
    };
    static constexpr platform::FormDef kFocusForm = {
        .name = "frmFocus", .caption = "Velmo", .width = 200, .height = 140, .controls = kHiddenFirst,
    };
    platform::Form form(kFocusForm);
    const platform::Control* focus = native::Focus(form);
    CHECK_MSG(focus == &form.Find<platform::CommandButton>("cmdShown"),
              focus ? focus->Def().name : "no control");
}

// The list's items are the caption's lines, whichever line ends they have.
TEST_CASE(listItemsAreTheCaptionsLines)
{
    static constexpr platform::ControlDef kList[] = {
        {.kind = Kind::ComboBox, .name = "cboCrLf", .rect = {10, 10, 60, 30}, .caption = "3\r\n4\r\n5"},
    };
    static constexpr platform::FormDef kListForm = {
        .name = "frmList", .caption = "Velmo", .width = 100, .height = 60, .controls = kList,
    };
    platform::Form form(kListForm);
    platform::ComboBox& list = form.Find<platform::ComboBox>("cboCrLf");
    CHECK_EQ(list.ListCount(), 3);
    CHECK_EQ(list.ListIndex(), -1);
    list.SetListIndex(1);
    CHECK_EQ(list.Text(), std::string("4"));
    CHECK_EQ(list.List(0), std::string("3"));
}

TEST_CASE(listChoiceRunsItsEvent)
{
    platform::Form form(kForm);
    platform::ComboBox& list = form.Find<platform::ComboBox>("cboList");
    CHECK_EQ(list.ListCount(), 3);
    CHECK_EQ(list.List(2), std::string("5"));
    int clicks = 0;
    list.onClick = [&] { ++clicks; };
    list.SetListIndex(2);
    CHECK_EQ(list.ListIndex(), 2);
    CHECK_EQ(list.Text(), std::string("5"));
    CHECK_EQ(clicks, 1);
    list.SetListIndex(0);
    CHECK_EQ(list.Text(), std::string("3"));
    CHECK_EQ(clicks, 2);
    CHECK_RAISES(vb::ErrorKind::InvalidProcedureCall, list.SetListIndex(3));
    CHECK_EQ(list.Text(), std::string("3"));
}

TEST_CASE(applicationObject)
{
    CHECK_EQ(platform::App::Title(), std::string("Velmo"));
    CHECK_EQ(platform::App::Major(), 1);
    CHECK_EQ(platform::App::Minor(), 0);
    CHECK_EQ(platform::App::Revision(), 0);
    const std::string path = platform::App::Path();
    CHECK(!path.empty());
    CHECK(path.back() != platform::PathSeparator());
    // This program lies in the build tree's tests directory.
    CHECK_MSG(path.find("contract") != std::string::npos, path);
}

// A run-time error escaping an event routine, or running out of memory in
// one, is reported in its box; then the program ends with status 1.
TEST_CASE(runtimeErrorIsReportedThenEnds)
{
    struct Box {
        std::string prompt, title;
        int style;
    };
    const struct {
        void (*routine)();
        const char* prompt;
    } cases[] = {
        {[] { platform::LoadResPicture(999, 0); }, "実行時エラー '326':\n\nリソースが見つかりません。"},
        {[] { throw std::bad_alloc(); }, "実行時エラー '7':\n\nメモリが不足しています。"},
    };
    for (const auto& c : cases) {
        std::vector<Box> boxes;
        std::optional<int> status;
        const platform::Seams saved = platform::seams();
        platform::seams().msgBox = [&](const std::string& p, int s, const std::string& t) {
            boxes.push_back({p, t, s});
        };
        platform::seams().exit = [&](int s) { status = s; };
        bool after = false;
        platform::RunEvent([&] {
            c.routine();
            after = true;
        });
        platform::seams() = saved;
        platform::ResetEnded();
        CHECK(!after);
        CHECK_EQ(boxes.size(), std::size_t{1});
        // Japanese only: the English detail is not the player's.
        CHECK_EQ(boxes[0].prompt, std::string(c.prompt));
        CHECK_EQ(boxes[0].style, int{platform::vbCritical});
        CHECK_EQ(boxes[0].title, std::string("Velmo"));
        CHECK_EQ(status, std::optional<int>(1));
    }
}

namespace {

int gArgc = 0;
char** gArgv = nullptr;

void runCases()
{
    const int failed = check::runAll(gArgc, gArgv);
    std::fflush(nullptr);
    std::_Exit(failed == 0 ? 0 : 1);
}

}  // namespace

int main(int argc, char* argv[])
{
    gArgc = argc;
    gArgv = argv;
    return platform::RunProgram(argc, argv, runCases);
}
