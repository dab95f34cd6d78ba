// __FCBase: the root of every framework object.
//
// All inheritance in the framework is single and non-virtual. The virtual operations keep this
// slot order in every class, each class appending its own after its base's.
#pragma once

namespace qz {

class __FCBase {
public:
    __FCBase() = default;
    __FCBase(const __FCBase&) = delete;
    __FCBase& operator=(const __FCBase&) = delete;

    // Class code; no operation of the plug-in asks for it.
    virtual int ClassKind() const { return 0; }
    // The class's name, a constant owned by the class.
    virtual const char* ClassName() const { return "__FCBase"; }
    virtual ~__FCBase() = default;
    // True when `other` exists and answers the very same name constant (identity of the
    // constant, not a comparison of characters).
    virtual bool IsSameClass(const __FCBase* other) const {
        return other != nullptr && other->ClassName() == ClassName();
    }
};

}  // namespace qz
