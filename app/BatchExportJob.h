#pragma once
// A batch export as an object without windows: the queue of test files, the
// format, the progress (done of total) and the files that failed. Each call
// of ExportNext opens one file hidden, writes its export and closes it; the
// application calls it once per idle period and moves its progress control
// by what the job reports.
#include <functional>
#include <string>
#include <vector>

#include "app/CommandRules.h"

class CQXRYXTestDoc;

class BatchExportJob {
public:
    // Opens a test file without a window and without messages of its own
    // (null when it cannot be read); Close closes what Open returned.
    using Opener = std::function<CQXRYXTestDoc*(const std::string& path)>;
    using Closer = std::function<void(CQXRYXTestDoc* doc)>;

    // queue: the queue the job works from its tail (the application's).
    BatchExportJob(std::vector<std::string>& queue, Opener open, Closer close);

    // A new batch: format as the dialog gave it, the queue already filled.
    void Start(const std::string& formatText);
    bool Running() const { return !m_queue.empty(); }
    // Exports the file at the tail and takes it off; false when nothing was
    // queued.
    bool ExportNext();
    size_t Done() const { return m_done; }
    size_t Total() const { return m_total; }
    // The files not exported, in the order they were tried.
    const std::vector<std::string>& Failures() const { return m_failures; }
    // The message that lists them, for the end of the batch; empty when
    // every file was exported.
    appcmd::Message FailureMessage() const;
    // The path each file was exported to, in order (for tests and the bench).
    const std::vector<std::string>& Written() const { return m_written; }
    void KeepWritten(bool keep) { m_keepWritten = keep; }

private:
    bool ExportOne(const std::string& path);

    std::vector<std::string>& m_queue;
    Opener m_open;
    Closer m_close;
    appcmd::ExportFormat m_format = appcmd::ExportFormat::None;
    size_t m_done = 0;
    size_t m_total = 0;
    std::vector<std::string> m_failures;
    std::vector<std::string> m_written;
    bool m_keepWritten = true;
};
