#pragma once
// The summary of one test that the Delta Tc report compares with another:
// identification texts, temperatures, and stiffness and m-value at 60 s.
#include "data/CQXDataObject.h"
#include "framework/core/Archive.h"

class CQXRYXTestDoc;

class DeltaTcData {
public:
    DeltaTcData() = default;
    DeltaTcData(const DeltaTcData& other) = default;
    DeltaTcData& operator=(const DeltaTcData& other);
    virtual ~DeltaTcData() = default;

    // Storing: the WORD 310, then the cells, the date text before the time
    // text. Loading: any schema word is accepted and ignored.
    virtual void Serialize(fw::Archive& ar);

    CQXFloatData m_fMaxTemp;
    CQXFloatData m_fMinTemp;
    CQXStringData m_strInstrumentId;
    CQXStringData m_strFileName;
    CQXStringData m_strOperator;
    CQXStringData m_strProject;
    CQXFloatData m_fMValue60;
    CQXStringData m_strSpecimen;
    CQXFloatData m_fStiffness60;
    CQXFloatData m_fTargetTemp;
    CQXStringData m_strTestTime;
    CQXStringData m_strTestDate;
};

// The record of a test document: its 60 s results (entry 3 of the stiffness
// and m-value arrays) and its test time as " %X" and " %x" in US English.
DeltaTcData MakeDeltaTcData(const CQXRYXTestDoc& doc);
