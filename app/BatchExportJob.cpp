#include "app/BatchExportJob.h"

#include <exception>

#include "data/CQXRYXTestDoc.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Strings.h"

BatchExportJob::BatchExportJob(std::vector<std::string>& queue, Opener open, Closer close)
    : m_queue(queue), m_open(std::move(open)), m_close(std::move(close)) {}

void BatchExportJob::Start(const std::string& formatText) {
    m_format = appcmd::FormatFromText(formatText);
    m_done = 0;
    m_total = m_queue.size();
    m_failures.clear();
    m_written.clear();
}

bool BatchExportJob::ExportNext() {
    if (m_queue.empty()) return false;
    // The tail: the dialog's paths arrive in reverse, so this is its first.
    // It leaves the queue before it is read, so that whatever happens during
    // its open and export (an exception, a nested loop that runs the next
    // file) the file is counted once and the queue moves on.
    const std::string path = std::move(m_queue.back());
    m_queue.pop_back();
    ++m_done;
    if (!ExportOne(path)) m_failures.push_back(path);
    return true;
}

bool BatchExportJob::ExportOne(const std::string& path) {
    const std::string target = appcmd::ExportPath(m_format, path);
    if (target.empty()) return false;
    // A ".dat" beside a ".bdt" is the header of a DOS-version test.
    if (m_format == appcmd::ExportFormat::Dat && appcmd::IsDosHeader(target)) return false;
    CQXRYXTestDoc* doc = nullptr;
    BOOL ok = FALSE;
    try {
        // A file that cannot be read is one not exported, however its
        // reading fails.
        doc = m_open(path);
        if (!doc) return false;
        // The batch lists its failures at the end: no box for each file.
        doc->m_bReportErrors = FALSE;
        switch (m_format) {
            case appcmd::ExportFormat::Lims:
                ok = doc->ExportLimsCsv();
                break;
            case appcmd::ExportFormat::Csv:
                ok = doc->ExportCsv(target);
                break;
            case appcmd::ExportFormat::Dat:
                ok = doc->ExportAsciiDat(target);
                break;
            case appcmd::ExportFormat::None:
                break;
        }
    } catch (const std::exception&) {
        // The framework's exceptions, memory, and any other from the reading.
        ok = FALSE;
    }
    if (!doc) return false;
    m_close(doc);
    if (ok && m_keepWritten) m_written.push_back(target);
    return ok != FALSE;
}

appcmd::Message BatchExportJob::FailureMessage() const {
    if (m_failures.empty()) return {};
    std::string list;
    for (const auto& f : m_failures) list += "\n\t" + f;
    return {appcmd::IDS_BATCH_FAILURES, fw::FormatString1(appcmd::IDS_BATCH_FAILURES, list)};
}
