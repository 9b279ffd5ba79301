#pragma once
// What the test document's close needs from the windows above it: the
// running test's view (to hold its steps while the close questions are open,
// to end the test, to stop and re-zero the instrument) and the report
// window. The live test view installs one; without it (tools, previews) the
// document closes plainly.
#include "platform/WinTypes.h"

class CQXRYXTestDoc;

class TestDocHost {
public:
    virtual ~TestDocHost() = default;
    // The questions 601 and 602 are open (true) or answered (false).
    virtual void CloseQuestionOpen(CQXRYXTestDoc& doc, bool open) = 0;
    // The operator confirmed the abort: the test of doc stops running.
    virtual void AbortConfirmed(CQXRYXTestDoc& doc) = 0;
    // Zero command for the instrument (after stopping its reporting when a
    // load is on); retried later, never in a loop here.
    virtual void ReZero(CQXRYXTestDoc& doc) = 0;
    virtual void ClearTestRunning() = 0;
    // Takes doc's test view off the instrument's notify list.
    virtual void DetachRunningView(CQXRYXTestDoc& doc) = 0;
    // A report window on doc; false when it cannot be made.
    virtual bool OpenReport(CQXRYXTestDoc& doc) = 0;
    virtual void AdvanceDefaultTestName() = 0;
};

// The installed host, or null; installing returns the previous one.
TestDocHost* GetTestDocHost();
TestDocHost* SetTestDocHost(TestDocHost* host);
