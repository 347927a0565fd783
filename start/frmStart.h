// The start dialog: title picture, version, piece count, start and quit.
#pragma once

#include "checked.h"
#include "forms.h"
#include "picture.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

// "Ver.1.00": major, a point, minor in at least two digits, and for a
// revision above 999 a letter (1000-1499 "a", 1500 "b", ...).
QString VersionText(vb::Integer major, vb::Integer minor, vb::Integer revision);

class frmStart : public QDialog, public platform::Form {
    Q_OBJECT
public:
    explicit frmStart(QWidget* parent = nullptr);

    QLabel* labVer;
    QComboBox* cboNum;
    QLabel* Label1;
    QPushButton* cmdStart;
    QPushButton* cmdQuit;

protected:
    void Form_Load() override;
    void paintEvent(QPaintEvent* event) override;
    // Esc and the close box: both end the program like the quit button, since
    // a game cannot be set up without a chosen count.
    void reject() override;

private:
    void cmdStart_Click();
    void cmdQuit_Click();
    void ShowVersion();
    void Unload();

    platform::Picture title_;
    bool unloading_ = false;
};
