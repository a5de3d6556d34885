// Base for the seam's interfaces: polymorphic, never copied or moved.
#pragma once

namespace vork {

class Interface {
public:
    virtual ~Interface() = default;
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;
    Interface(Interface&&) = delete;
    Interface& operator=(Interface&&) = delete;

protected:
    Interface() = default;
};

}  // namespace vork
