#include "frmStart.h"

#include "app.h"
#include "modMain.h"
#include "runtime.h"

#include <cstdlib>

namespace {

using platform::ControlDef;
using platform::Kind;

constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr const char* kGothic = "MS UI Gothic";
constexpr const char* kTimes = "Times New Roman";

constexpr ControlDef kControls[] = {
    {.kind = Kind::Label, .name = "labVer", .rect = {190, 25, 105, 25}, .caption = "Ver.",
     .font = {kTimes, 15.75, true}, .color = kWhite, .tabIndex = 0},
    {.kind = Kind::ComboBox, .name = "cboNum", .rect = {193, 119, 47, 30}, .caption = "3\n4\n5\n6\n7",
     .font = {kTimes, 14.25, true}, .tabIndex = 1, .accessibleName = "段数"},
    {.kind = Kind::Label, .name = "Label1", .rect = {253, 126, 16, 16}, .caption = "段",
     .font = {kGothic, 12, true}, .color = kWhite, .tabIndex = 4, .labelFor = "cboNum"},
    {.kind = Kind::CommandButton, .name = "cmdStart", .rect = {107, 205, 101, 27},
     .caption = "スタート(&S)", .tabIndex = 2, .flags = platform::DefaultButton},
    {.kind = Kind::CommandButton, .name = "cmdQuit", .rect = {214, 205, 101, 27},
     .caption = "終了(&Q)", .tabIndex = 3, .flags = platform::CancelButton},
};

}  // namespace

const platform::FormDef frmStart::kDefinition = {
    .name = "frmStart",
    .caption = "Velmo",
    .width = 320,
    .height = 240,
    .dialog = true,
    .minimizeButton = false,
    .font = {kGothic, 9, false},
    .background = "title.bmp",
    .controls = kControls,
};

std::string VersionText(vb::Integer major, vb::Integer minor, vb::Integer revision)
{
    std::string text = "Ver." + std::to_string(major) + ".";
    const std::string minorDigits = std::to_string(minor);
    if (minor >= 0 && minorDigits.size() < 2)
        text += std::string(2 - minorDigits.size(), '0');
    text += minorDigits;
    if (revision > 999) {
        const vb::Long code = vb::roundToLong(revision / 1000.0 + 97 - 1);
        text += static_cast<char>(code);
    }
    return text;
}

frmStart::frmStart()
    : Form(kDefinition),
      labVer(Find<platform::Label>("labVer")),
      cboNum(Find<platform::ComboBox>("cboNum")),
      Label1(Find<platform::Label>("Label1")),
      cmdStart(Find<platform::CommandButton>("cmdStart")),
      cmdQuit(Find<platform::CommandButton>("cmdQuit"))
{
    cboNum.onClick = [this] { cboNum_Click(); };
    cmdStart.onClick = [this] { cmdStart_Click(); };
    cmdQuit.onClick = [this] { cmdQuit_Click(); };
}

void frmStart::Form_Load()
{
    cboNum.SetListIndex(2);
    ShowVersion();
}

void frmStart::ShowVersion()
{
    labVer.SetCaption(VersionText(platform::App::Major(), platform::App::Minor(),
                                  platform::App::Revision()));
}

void frmStart::cboNum_Click()
{
    // Screen readers say neither the choice of this combo box on focus nor
    // its changes. The description ("5段") is read out with the focus, and
    // every change is announced.
    cboNum.SetDescription(cboNum.Text() + "段");
    if (cboNum.HasFocus())
        Announce(cboNum.Description());
}

void frmStart::cmdStart_Click()
{
    const std::string text = cboNum.Text();
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size())
        vb::raise(vb::ErrorKind::TypeMismatch, "piece count is not a number");
    modMain::gNum = vb::roundToLong(value);
    Unload();
}

void frmStart::cmdQuit_Click()
{
    platform::End();
}

void frmStart::Form_Close()
{
    if (!platform::Ended())
        cmdQuit_Click();
    // Reached only when a test's exit seam lets End() return.
    Unload();
}
