#pragma once

#include "export/contract/ExportSummary.h"
#include "platform/DomainError.h"
#include "platform/Error.h"

#include <new>
#include <tl/expected.hpp>

namespace varnholt {

// Runs an exporter body that reports failure by throwing and turns what it throws into the
// contract's error value, so nothing thrown crosses the exporter boundary.
template <typename Body> [[nodiscard]] tl::expected<ExportSummary, ErrorPtr> catchingErrors(Body&& body)
{
    try {
        return body();
    } catch (const Error& error) {
        return tl::unexpected(ErrorPtr(error.clone()));
    } catch (const std::bad_alloc&) {
        return tl::unexpected(ErrorPtr(std::make_shared<DomainError>("Varnholt", 1, "Out of memory")));
    } catch (const std::exception& error) {
        return tl::unexpected(ErrorPtr(std::make_shared<DomainError>("Varnholt", 1, error.what())));
    } catch (...) {
        return tl::unexpected(ErrorPtr(std::make_shared<DomainError>("Varnholt", 1, "Unknown error")));
    }
}

} // namespace varnholt
