// The start dialog: title picture, version, piece count, start and quit.
#pragma once

#include "checked.h"
#include "forms.h"

#include <string>

// "Ver.1.00": major, a point, minor in at least two digits, and for a
// revision above 999 a letter (1000-1499 "a", 1500 "b", ...).
std::string VersionText(vb::Integer major, vb::Integer minor, vb::Integer revision);

class frmStart : public platform::Form {
public:
    frmStart();

    platform::Label& labVer;
    platform::ComboBox& cboNum;
    platform::Label& Label1;
    platform::CommandButton& cmdStart;
    platform::CommandButton& cmdQuit;

    // The window definition.
    static const platform::FormDef kDefinition;

    // Esc presses the quit button; the close box ends the program like it,
    // since a game cannot be set up without a chosen count.
    void Form_Close() override;

protected:
    void Form_Load() override;

private:
    void cboNum_Click();
    void cmdStart_Click();
    void cmdQuit_Click();
    void ShowVersion();
};
