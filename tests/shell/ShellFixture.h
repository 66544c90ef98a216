#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "AppSettings.h"
#include "CMainFrame.h"
#include "CTrawlviewApp.h"
#include "IMessageBoxes.h"
#include "SettingsFolders.h"
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
    ShellTest() { settings.Apply(); }

    // The program's user settings, as the program opens them.
    static QSettings UserSettings() {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, AppSettings::kCompany,
                         AppSettings::kApplication);
    }

    // Writes a settings file in the machine-wide folder, relative name as QSettings makes it.
    void WriteMachineSettings(const std::string& relative, const std::string& text) {
        const std::filesystem::path p = std::filesystem::path(settings.MachineFolder()) / relative;
        std::filesystem::create_directories(p.parent_path());
        dir.Write("xdg/" + relative, text);
    }

    static std::string Lines(const std::vector<std::string>& lines) {
        std::string bytes;
        for (const std::string& line : lines) bytes += line + "\r\n";
        return bytes;
    }

    TempDir dir;
    SettingsFolders settings{dir};
};
