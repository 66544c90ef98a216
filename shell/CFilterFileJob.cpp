#include "CFilterFileJob.h"

#include <unistd.h>

CFilterFileJob::CFilterFileJob(int fd, QObject* parent) : QObject(parent), m_nFd(fd) {}

CFilterFileJob::~CFilterFileJob() {
    Cancel();
    if (m_thread.joinable()) m_thread.join();
    close(m_nFd);
}

void CFilterFileJob::Start() {
    m_thread = std::thread([this] {
        m_result = FilterFileReader::ReadOpen(m_nFd, m_filters, m_strError,
                                              [this](std::uint64_t done, std::uint64_t total) {
                                                  emit Progress(done, total);
                                                  return !m_bCancel;
                                              });
        emit Finished();
    });
}
