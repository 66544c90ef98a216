#pragma once

#include <string>

// The window's modal questions and reports. The window shows them in message boxes;
// tests put in one that records them and answers by itself.
class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // The message with Retry and Cancel; true for Retry.
    virtual bool AskRetry(const std::string& message) = 0;
    // A failure the user must hear of, with OK.
    virtual void ReportFailure(const std::string& message) = 0;
};
