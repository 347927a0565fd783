// A tiny program whose button's event routine overflows. The message box is
// printed instead of shown; the real exit path ends the process, so the
// parent test sees the status the player's program would end with.
#include "app.h"
#include "checked.h"
#include "forms.h"
#include "runtime.h"

#include <cstdio>
#include <limits>

namespace {

constexpr platform::ControlDef kControls[] = {
    {.kind = platform::Kind::CommandButton, .name = "cmdGo", .rect = {0, 0, 80, 25}, .caption = "Go"},
};
constexpr platform::FormDef kForm = {.name = "frmChild", .caption = "child", .width = 100, .height = 50,
                                     .controls = kControls};

void entry()
{
    platform::seams().msgBox = [](const std::string& prompt, int style, const std::string& title) {
        std::printf("box style=%d title=%s\n%s\n", style, title.c_str(), prompt.c_str());
    };
    auto* form = new platform::Form(kForm);
    form->DeleteOnUnload();
    auto& button = form->Find<platform::CommandButton>("cmdGo");
    button.onClick = [] {
        volatile vb::Long big = std::numeric_limits<vb::Long>::max();
        vb::add(big, 1);
        std::puts("routine went on after the error");
    };
    form->ShowModeless();
    // The routine run as the button runs it.
    platform::RunEvent([&button] { button.onClick(); });
    std::puts("program went on after the error");
}

}  // namespace

int main(int argc, char* argv[])
{
    return platform::RunProgram(argc, argv, entry);
}
