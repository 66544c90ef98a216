#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CMainFrame.h"
#include "CTrawlviewApp.h"
#include "IMessageBoxes.h"
#include "TempDir.h"

// Message boxes answered by the test: every question and report is recorded, and
// AskRetry answers Retry as often as retries says.
class RecordingMessageBoxes : public IMessageBoxes {
public:
    bool AskRetry(const std::string& message) override {
        questions.push_back(message);
        return retries-- > 0;
    }
    void ReportFailure(const std::string& message) override { reports.push_back(message); }

    int retries = 0;
    std::vector<std::string> questions;
    std::vector<std::string> reports;
};

// Waits until the filter file the window is reading has been dealt with (at once when it
// reads none); false when that did not come within a minute.
inline bool FilterFileReadEnds(CMainFrame& frame) {
    if (!frame.IsReadingFilterFile()) return true;
    QSignalSpy ended(&frame, &CMainFrame::FilterFileRead);
    return ended.wait(60000);
}

// Each test gets its own user and machine settings folders and its own runtime folder
// (where the single-instance socket lives), all inside one temporary folder.
class ShellTest : public ::testing::Test {
protected:
    ShellTest() {
        const std::string home = dir.Path("config");
        const std::string system = dir.Path("xdg");
        const std::string runtime = dir.Path("runtime");
        for (const std::string& d : {home, system, runtime}) std::filesystem::create_directories(d);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        qputenv("XDG_CONFIG_HOME", home.c_str());
        qputenv("XDG_CONFIG_DIRS", system.c_str());
        qputenv("XDG_RUNTIME_DIR", runtime.c_str());
        // QSettings reads the two variables once per process; later tests must say so.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(home));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, QString::fromStdString(system));
    }

    // Writes a settings file in the machine-wide folder, relative name as QSettings makes it.
    void WriteMachineSettings(const std::string& relative, const std::string& text) {
        const std::filesystem::path p = std::filesystem::path(dir.Path("xdg")) / relative;
        std::filesystem::create_directories(p.parent_path());
        dir.Write("xdg/" + relative, text);
    }

    static std::string Lines(const std::vector<std::string>& lines) {
        std::string bytes;
        for (const std::string& line : lines) bytes += line + "\r\n";
        return bytes;
    }

    TempDir dir;
};
