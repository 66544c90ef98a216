#include "CExportHost.h"

#include "FilterFileReader.h"

const ILineFilter* CExportHost::GetActiveFilters() {
    if (!m_pActiveFilters) return nullptr;
    m_matcher.emplace(m_pActiveFilters.get(), m_bExcludeInvalidDates);
    return &*m_matcher;
}

bool CExportHost::ReadFilterFile() {
    std::string error;
    m_matcher.reset();
    switch (FilterFileReader::Read(m_strFilterPath, m_pActiveFilters, error)) {
        case FilterFileReader::Result::Ok: return true;
        case FilterFileReader::Result::OpenFailed:
            if (m_strFailure.empty()) m_strFailure = "Could not open the filter file " + m_strFilterPath + ": " + error + ".";
            return false;
        case FilterFileReader::Result::ReadFailed:
            if (m_strFailure.empty()) m_strFailure = "Could not read the filter file " + m_strFilterPath + ": " + error + ".";
            return true;
    }
    return false;
}

bool CExportHost::AskRetry(const std::string& message) {
    if (m_strFailure.empty()) m_strFailure = message;
    return false;
}
