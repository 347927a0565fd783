// The Windows back end's message loop, run under Wine: a form that deletes
// itself on unload goes once the routine that unloaded it is done, from the
// loop that runs next; a modal one is still there when its ShowModal
// returns, and goes with the next loop.
#include "check.h"
#include "forms.h"

#include <windows.h>

#include <string>
#include <utility>

using namespace platform;

namespace {

constexpr FormDef kForm = {.name = "frmLoop", .caption = "loop", .width = 120, .height = 80};

// A form that notes its deletion.
class Watched : public Form {
public:
    explicit Watched(bool& gone) : Form(kForm), gone_(gone) {}
    ~Watched() override { gone_ = true; }

private:
    bool& gone_;
};

// The form a timer unloads from the message loop.
Form* gToUnload = nullptr;

void CALLBACK unloadFromLoop(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (Form* form = std::exchange(gToUnload, nullptr))
        form->Unload();
}

// Shows the form modally until a message of its loop unloads it.
void showModalOnce(Form& form)
{
    gToUnload = &form;
    SetTimer(nullptr, 0, 10, unloadFromLoop);
    form.ShowModal();
}

}  // namespace

TEST_CASE(unloadedFormsGoWithTheNextLoop)
{
    bool modelessGone = false;
    auto* modeless = new Watched(modelessGone);
    modeless->DeleteOnUnload();
    modeless->ShowModeless();
    modeless->Unload();
    CHECK_MSG(!modelessGone, "a form is not deleted inside the routine that unloaded it");

    bool dialogGone = false;
    auto* dialog = new Watched(dialogGone);
    dialog->DeleteOnUnload();
    showModalOnce(*dialog);
    CHECK_MSG(modelessGone, "the next loop deletes the unloaded form");
    CHECK_MSG(!dialogGone, "a modal form that deletes itself is still there when its ShowModal returns");

    Form next(kForm);
    showModalOnce(next);
    CHECK_MSG(dialogGone, "the loop after it deletes the modal form");
}

int main(int argc, char* argv[])
{
    return check::runAll(argc, argv);
}
