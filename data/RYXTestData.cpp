#include "data/RYXTestData.h"

const fw::RuntimeClass RYXTestData::kClass = {"RYXTestData", 310 | fw::kVersionableSchema,
                                              &fw::CreateInstance<RYXTestData>, &fw::Object::kClass};

// Test files create their points by this name.
static fw::ClassRegistration registration(&RYXTestData::kClass);

void RYXTestData::Serialize(fw::Archive& ar) {
    if (ar.IsLoading()) ar.GetObjectSchema();
    deflection.Serialize(ar);
    force.Serialize(ar);
    temperature.Serialize(ar);
}
