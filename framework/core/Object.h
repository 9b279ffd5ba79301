#pragma once
// Objects with a runtime class, and the registry that creates serialisable
// classes by the name stored in an archive.
#include <memory>
#include <string_view>

#include "platform/WinTypes.h"

namespace fw {

class Archive;
class Object;

// Set in a class schema: the class reads every stored schema itself.
inline constexpr UINT kVersionableSchema = 0x80000000u;
inline constexpr UINT kNoSchema = 0xFFFFu;

struct RuntimeClass {
    const char* name;
    UINT schema;  // kNoSchema: not serialisable; else the schema, maybe | kVersionableSchema
    std::unique_ptr<Object> (*create)();  // null: cannot be created by name
    const RuntimeClass* base;

    bool IsDerivedFrom(const RuntimeClass* other) const;
    std::unique_ptr<Object> CreateObject() const { return create ? create() : nullptr; }
};

class Object {
public:
    virtual ~Object() = default;
    virtual const RuntimeClass* GetRuntimeClass() const;
    virtual void Serialize(Archive& ar);
    bool IsKindOf(const RuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

    static const RuntimeClass kClass;
};

// The registry of classes that archives may create by name. Registering the
// same class twice is harmless; a second class of the same name replaces
// nothing and is refused.
bool RegisterClass(const RuntimeClass* cls);
const RuntimeClass* FindClass(std::string_view name);

// Registers a class during static initialisation: one per serialisable class,
// in the class's own source file.
struct ClassRegistration {
    explicit ClassRegistration(const RuntimeClass* cls) { RegisterClass(cls); }
};

// Creates a T for the registry (the framework's object factory).
template <class T>
std::unique_ptr<Object> CreateInstance() {
    return std::make_unique<T>();
}

}  // namespace fw
