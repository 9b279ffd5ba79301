#pragma once
// Whether what a finished test left on disk is the test in memory: the test
// file byte for byte as the document would write itself now, and the LIMS
// file as the document would export itself now. A difference names the
// temperature range of both, the usual place for one.
#include <gtest/gtest.h>

#include <string>

#include "data/CQXRYXTestDoc.h"
#include "data/ExportFormats.h"
#include "framework/core/Archive.h"
#include "platform/Paths.h"

inline ::testing::AssertionResult SavedAsInMemory(CQXRYXTestDoc& doc, bool withLims) {
    std::string saved;
    if (platform::ReadWholeFile(doc.GetPathName(), saved) != 0)
        return ::testing::AssertionFailure() << doc.GetPathName() << " cannot be read";
    fw::Archive ar;
    doc.Serialize(ar);
    if (saved != ar.Bytes()) {
        CQXRYXTestDoc back;
        back.m_bReportErrors = FALSE;
        auto failure = ::testing::AssertionFailure() << "the test file differs from the document in memory";
        if (back.OnOpenDocument(doc.GetPathName()))
            failure << " (saved range " << back.m_minTemperature.m_data << " .. "
                    << back.m_maxTemperature.m_data << ", in memory " << doc.m_minTemperature.m_data << " .. "
                    << doc.m_maxTemperature.m_data << ")";
        return failure;
    }
    if (withLims) {
        std::string lims;
        if (platform::ReadWholeFile(exportformat::LimsPath(doc.GetPathName()), lims) != 0)
            return ::testing::AssertionFailure() << "no LIMS file";
        if (lims != exportformat::LimsFile(doc))
            return ::testing::AssertionFailure() << "the LIMS file differs from the document in memory:\n"
                                                 << lims << "\nin memory:\n"
                                                 << exportformat::LimsFile(doc);
    }
    return ::testing::AssertionSuccess();
}
