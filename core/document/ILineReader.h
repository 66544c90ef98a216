#pragma once

// A reader of the document's displayed lines on a thread of its own. The document stops
// every reader before it changes its line records or moves its bytes; the reader's owner
// starts it again once it has heard of the change. StopReading runs on the document's
// thread and returns once the reader no longer touches the document.
class ILineReader {
public:
    virtual ~ILineReader() = default;
    virtual void StopReading() = 0;
};
