#pragma once

#include "platform/Error.h"

namespace varnholt {

// An error value with a domain and a code, as the database and file exporters report them.
class DomainError : public Error {
public:
    DomainError(std::string domain, int code, std::string description, ErrorKind kind = ErrorKind::inputOutput)
        : Error(kind, std::move(description)), m_domain(std::move(domain)), m_code(code)
    {
    }

    const std::string& domain() const { return m_domain; }
    int code() const { return m_code; }

    std::string details() const override;
    std::unique_ptr<Error> clone() const override { return std::make_unique<DomainError>(*this); }

private:
    std::string m_domain;
    int m_code;
};

} // namespace varnholt
