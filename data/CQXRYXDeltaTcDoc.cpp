#include "data/CQXRYXDeltaTcDoc.h"

const fw::RuntimeClass CQXRYXDeltaTcDoc::kClass = {
    "CQXRYXDeltaTcDoc", fw::kNoSchema, &fw::CreateInstance<CQXRYXDeltaTcDoc>, &fw::Object::kClass};

void CQXRYXDeltaTcDoc::SetData(const DeltaTcData& first, const DeltaTcData& second) {
    m_data1 = first;
    m_data2 = second;
}

bool CQXRYXDeltaTcDoc::OnOpenDocument(const std::string&) {
    return true;
}

void CQXRYXDeltaTcDoc::Serialize(fw::Archive& ar) {
    m_data1.Serialize(ar);
    m_data2.Serialize(ar);
}
