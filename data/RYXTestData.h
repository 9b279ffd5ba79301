#pragma once
// One test point: deflection (mm), force (mN) and bath temperature (degC).
// Its time follows from its index in the document's list.
#include "data/CQXDataObject.h"
#include "framework/core/Object.h"

class RYXTestData : public fw::Object {
public:
    static const fw::RuntimeClass kClass;  // "RYXTestData", versionable schema 310
    const fw::RuntimeClass* GetRuntimeClass() const override { return &kClass; }
    // The stored class schema is asked for and not used: every schema reads alike.
    void Serialize(fw::Archive& ar) override;

    CQXFloatData deflection;
    CQXFloatData force;
    CQXFloatData temperature;
};
