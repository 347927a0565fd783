// Test doubles for the runtime seams: message boxes are recorded and
// answered at once, shell calls recorded, and ending the program recorded
// instead of carried out.
#pragma once

#include "runtime.h"

#include <QString>

#include <optional>
#include <string>
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
        s.msgBox = [this](const std::string& p, int st, const std::string& t) {
            boxes.push_back({QString::fromStdString(p), st, QString::fromStdString(t)});
        };
        s.shellOpen = [this](platform::Form* owner, const std::string& f) {
            shellFiles.push_back(f);
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
    std::vector<std::string> shellFiles;  // the file system's bytes
    std::vector<platform::Form*> shellOwners;
    std::optional<int> exitStatus;

private:
    platform::Seams saved_;
};
