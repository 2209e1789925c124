#pragma once

#include "platform/ErrorKind.h"

#include <exception>
#include <memory>
#include <string>

namespace varnholt {

// Every failure a user can see derives from Error: `description()` is the text
// shown on screen, `details()` the fuller text written to the trace.
class Error : public std::exception {
public:
    Error(ErrorKind kind, std::string description) : m_kind(kind), m_description(std::move(description)) {}
    ~Error() override = default;

    ErrorKind kind() const { return m_kind; }
    const std::string& description() const { return m_description; }
    virtual std::string details() const { return m_description; }
    virtual std::unique_ptr<Error> clone() const = 0;

    const char* what() const noexcept override { return m_description.c_str(); }

protected:
    Error(const Error&) = default;
    Error& operator=(const Error&) = default;

private:
    ErrorKind m_kind;
    std::string m_description;
};

using ErrorPtr = std::shared_ptr<const Error>;

} // namespace varnholt
