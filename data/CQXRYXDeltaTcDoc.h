#pragma once
// The Delta Tc document: carries the records of two tests to the report view.
// It reads no file; its template opens it with the pseudo-path "Delta Tc".
#include "data/DeltaTcData.h"
#include "framework/core/Document.h"

class CQXRYXDeltaTcDoc : public fw::Document {
public:
    static const fw::RuntimeClass kClass;  // "CQXRYXDeltaTcDoc"
    const fw::RuntimeClass* GetRuntimeClass() const override { return &kClass; }

    // Neither marks the document modified nor updates the views: the caller does.
    void SetData(const DeltaTcData& first, const DeltaTcData& second);
    // Reads nothing and ignores the path.
    bool OnOpenDocument(const std::string& path) override;
    // The two records back to back, nothing else.
    void Serialize(fw::Archive& ar) override;

    DeltaTcData m_data1;
    DeltaTcData m_data2;
};
