#include "data/DeltaTcData.h"

#include "data/CQXRYXTestDoc.h"
#include "data/ExportText.h"

namespace {
constexpr WORD kSchema = 310;
}

DeltaTcData& DeltaTcData::operator=(const DeltaTcData& other) {
    if (this == &other) return *this;
    m_fMaxTemp = other.m_fMaxTemp;
    m_fMinTemp = other.m_fMinTemp;
    m_strInstrumentId = other.m_strInstrumentId;
    m_strFileName = other.m_strFileName;
    m_strOperator = other.m_strOperator;
    m_strProject = other.m_strProject;
    m_fMValue60 = other.m_fMValue60;
    m_strSpecimen = other.m_strSpecimen;
    m_fStiffness60 = other.m_fStiffness60;
    m_fTargetTemp = other.m_fTargetTemp;
    m_strTestTime = other.m_strTestTime;
    m_strTestDate = other.m_strTestDate;
    return *this;
}

void DeltaTcData::Serialize(fw::Archive& ar) {
    if (ar.IsStoring()) {
        ar << kSchema;
    } else {
        WORD schema;
        ar >> schema;  // every schema reads alike
    }
    m_fMaxTemp.Serialize(ar);
    m_fMinTemp.Serialize(ar);
    m_strInstrumentId.Serialize(ar);
    m_strFileName.Serialize(ar);
    m_strOperator.Serialize(ar);
    m_strProject.Serialize(ar);
    m_fMValue60.Serialize(ar);
    m_strSpecimen.Serialize(ar);
    m_fStiffness60.Serialize(ar);
    m_fTargetTemp.Serialize(ar);
    // Files from the Windows station hold the date first.
    m_strTestDate.Serialize(ar);
    m_strTestTime.Serialize(ar);
}

DeltaTcData MakeDeltaTcData(const CQXRYXTestDoc& doc) {
    DeltaTcData d;
    d.m_fMaxTemp = doc.m_maxTemperature;
    d.m_fMinTemp = doc.m_minTemperature;
    d.m_strInstrumentId = doc.m_apparatusId;
    d.m_strFileName = doc.m_testName;
    d.m_strOperator = doc.m_operator;
    d.m_strProject = doc.m_project;
    d.m_fMValue60 = doc.m_mValue[3];
    d.m_strSpecimen = doc.m_specimen;
    d.m_fStiffness60 = doc.m_measuredStiffness[3];
    d.m_fTargetTemp = doc.m_targetTemperature;
    // In the user's locale, as the record's texts are shown as they are.
    d.m_strTestTime.m_data = exporttext::LocaleTimeText(doc.m_testTime, " %X");
    d.m_strTestDate.m_data = exporttext::LocaleTimeText(doc.m_testTime, " %x");
    return d;
}
