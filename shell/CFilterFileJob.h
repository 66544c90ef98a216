#pragma once

#include <QObject>
#include <atomic>
#include <string>
#include <thread>

#include "FilterFileReader.h"

// Reads an open filter file on a worker thread, so that a file of gigabytes neither
// freezes the window nor takes it down: the reader checks memory before it builds, and
// progress and the end come back as queued signals on the window's thread. Cancel ends
// the read at its next step.
class CFilterFileJob : public QObject {
    Q_OBJECT

public:
    // Takes the open file fd and closes it when the job is destroyed.
    explicit CFilterFileJob(int fd, QObject* parent = nullptr);
    // Cancels a read still running and waits for its thread.
    ~CFilterFileJob() override;

    void Start();
    void Cancel() { m_bCancel = true; }

    // After Finished: the outcome, the filters read (Ok), the cause of a failure.
    FilterFileReader::Result GetResult() const { return m_result; }
    FilterList TakeFilters() { return std::move(m_filters); }
    const std::string& GetError() const { return m_strError; }

signals:
    // Bytes read of total (the file is read twice: counted, then built).
    void Progress(quint64 done, quint64 total);
    void Finished();

private:
    int m_nFd;
    std::thread m_thread;
    std::atomic<bool> m_bCancel{false};
    // Written by the worker before Finished, read on the window's thread after it.
    FilterFileReader::Result m_result = FilterFileReader::Result::Cancelled;
    FilterList m_filters;
    std::string m_strError;
};
