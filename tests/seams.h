// Test doubles for the runtime seams: message boxes are recorded and
// answered at once, shell calls recorded, and ending the program recorded
// instead of carried out.
#pragma once

#include "runtime.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct RecordedBox {
    QString prompt;
    int style;
    QString title;
};

class FakeSeams {
public:
    FakeSeams() : saved_(platform::seams())
    {
        platform::ResetEnded();
        auto& s = platform::seams();
        s.msgBox = [this](const QString& p, int st, const QString& t) { boxes.push_back({p, st, t}); };
        s.shellOpen = [this](QWidget* owner, const QString& f) {
            shellFiles << f;
            shellOwners.push_back(owner);
        };
        s.exit = [this](int status) { exitStatus = status; };
    }
    ~FakeSeams()
    {
        platform::seams() = saved_;
        platform::ResetEnded();
    }
    FakeSeams(const FakeSeams&) = delete;
    FakeSeams& operator=(const FakeSeams&) = delete;

    std::vector<RecordedBox> boxes;
    QStringList shellFiles;
    std::vector<QWidget*> shellOwners;
    std::optional<int> exitStatus;

private:
    platform::Seams saved_;
};
