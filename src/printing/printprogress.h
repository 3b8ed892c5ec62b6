#pragma once

namespace printing {

// Shows how far a long printout has got and lets the user stop it.
class PrintProgress {
public:
    virtual ~PrintProgress() = default;
    virtual void start(int pageCount) = 0;
    // Called after each finished page; false when the user asked to stop.
    virtual bool pageDone(int pagesDone) = 0;
    virtual void finish() = 0;
};

} // namespace printing
