#include "framework/core/Object.h"

#include <map>
#include <mutex>
#include <string>

namespace fw {

const RuntimeClass Object::kClass = {"CObject", kNoSchema, nullptr, nullptr};

const RuntimeClass* Object::GetRuntimeClass() const {
    return &kClass;
}

void Object::Serialize(Archive&) {}

bool RuntimeClass::IsDerivedFrom(const RuntimeClass* other) const {
    for (const RuntimeClass* c = this; c; c = c->base)
        if (c == other) return true;
    return false;
}

namespace {
struct Registry {
    std::mutex mutex;
    std::map<std::string, const RuntimeClass*, std::less<>> classes;
};
Registry& TheRegistry() {
    static Registry r;  // built on first use, so registration order across files does not matter
    return r;
}
}  // namespace

bool RegisterClass(const RuntimeClass* cls) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto [it, inserted] = r.classes.emplace(cls->name, cls);
    return inserted || it->second == cls;
}

const RuntimeClass* FindClass(std::string_view name) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.classes.find(name);
    return it == r.classes.end() ? nullptr : it->second;
}

}  // namespace fw
