#pragma once

#include "platform/Error.h"

namespace varnholt {

// Why a database could not be opened for reading: `description()` is the whole sentence (what failed
// and what to do), `reason()` the cause alone as SQLite or the system gave it.
class SnapshotError : public Error {
public:
    SnapshotError(ErrorKind kind, std::string description, std::string reason)
        : Error(kind, std::move(description)), m_reason(std::move(reason))
    {
    }

    const std::string& reason() const { return m_reason; }
    std::unique_ptr<Error> clone() const override { return std::make_unique<SnapshotError>(*this); }

private:
    std::string m_reason;
};

} // namespace varnholt
