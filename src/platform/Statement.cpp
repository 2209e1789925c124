#include "platform/Statement.h"

#include <sqlite3.h>

namespace varnholt {

Statement::~Statement()
{
    finalize();
}

Statement::Statement(Statement&& other) noexcept : m_handle(other.m_handle)
{
    other.m_handle = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        finalize();
        m_handle = other.m_handle;
        other.m_handle = nullptr;
    }
    return *this;
}

void Statement::finalize()
{
    if (m_handle) {
        sqlite3_finalize(m_handle);
        m_handle = nullptr;
    }
}

bool Statement::bindInt(int position, int value)
{
    return sqlite3_bind_int(m_handle, position, value) == SQLITE_OK;
}

bool Statement::bindInt64(int position, std::int64_t value)
{
    return sqlite3_bind_int64(m_handle, position, static_cast<sqlite3_int64>(value)) == SQLITE_OK;
}

bool Statement::bindText(int position, std::string_view value)
{
    return sqlite3_bind_text(m_handle, position, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT) ==
           SQLITE_OK;
}

bool Statement::bindBlob(int position, const void* data, int size)
{
    return sqlite3_bind_blob(m_handle, position, data, size, SQLITE_TRANSIENT) == SQLITE_OK;
}

bool Statement::bindNull(int position)
{
    return sqlite3_bind_null(m_handle, position) == SQLITE_OK;
}

Statement::Step Statement::step()
{
    if (!m_handle)
        return Step::Error;
    const int rc = sqlite3_step(m_handle);
    if (rc == SQLITE_ROW)
        return Step::Row;
    if (rc == SQLITE_DONE)
        return Step::Done;
    return Step::Error;
}

bool Statement::reset()
{
    return sqlite3_reset(m_handle) == SQLITE_OK;
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_handle, column) == SQLITE_NULL;
}

int Statement::columnInt(int column) const
{
    return sqlite3_column_int(m_handle, column);
}

std::int64_t Statement::columnInt64(int column) const
{
    return sqlite3_column_int64(m_handle, column);
}

double Statement::columnDouble(int column) const
{
    return sqlite3_column_double(m_handle, column);
}

std::string Statement::columnText(int column) const
{
    const auto* text = sqlite3_column_text(m_handle, column);
    if (!text)
        return {};
    const int size = sqlite3_column_bytes(m_handle, column);
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
}

std::optional<std::string> Statement::columnOptionalText(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return columnText(column);
}

std::string_view Statement::columnBlob(int column) const
{
    const void* data = sqlite3_column_blob(m_handle, column);
    if (!data)
        return {};
    const int size = sqlite3_column_bytes(m_handle, column);
    return std::string_view(static_cast<const char*>(data), static_cast<size_t>(size));
}

int Statement::columnType(int column) const
{
    return sqlite3_column_type(m_handle, column);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_handle);
}

} // namespace varnholt
