#pragma once

#include <QSettings>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"

// The user's and the machine's settings folders and the runtime folder (where the
// single-instance socket lives), all inside a test's temporary folder: no test reads or
// writes the settings of the machine or of another test.
class SettingsFolders {
public:
    explicit SettingsFolders(const TempDir& dir)
        : m_strHome(dir.Path("")),
          m_strUser(dir.Path("config")),
          m_strMachine(dir.Path("xdg")),
          m_strRuntime(dir.Path("runtime")) {
        for (const std::string& folder : {m_strUser, m_strMachine, m_strRuntime}) {
            std::filesystem::create_directories(folder);
        }
        std::filesystem::permissions(m_strRuntime, std::filesystem::perms::owner_all);
    }

    // The folders as "NAME=value" entries, for a program a test starts.
    std::vector<std::string> Env() const {
        return {"HOME=" + m_strHome, "XDG_CONFIG_HOME=" + m_strUser,
                "XDG_CONFIG_DIRS=" + m_strMachine, "XDG_RUNTIME_DIR=" + m_strRuntime};
    }

    // The folders for this process. QSettings reads the variables once per process, so
    // its paths are set as well.
    void Apply() const {
        qputenv("XDG_CONFIG_HOME", m_strUser.c_str());
        qputenv("XDG_CONFIG_DIRS", m_strMachine.c_str());
        qputenv("XDG_RUNTIME_DIR", m_strRuntime.c_str());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(m_strUser));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                           QString::fromStdString(m_strMachine));
    }

    // The machine-wide settings folder.
    const std::string& MachineFolder() const { return m_strMachine; }

private:
    std::string m_strHome;
    std::string m_strUser;
    std::string m_strMachine;
    std::string m_strRuntime;
};
