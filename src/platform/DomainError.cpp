#include "platform/DomainError.h"

#include <fmt/format.h>

namespace varnholt {

std::string DomainError::details() const
{
    return fmt::format("Error Domain={} Code={} \"{}\"", m_domain, m_code, description());
}

} // namespace varnholt
