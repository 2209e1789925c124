#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace varnholt {

// A prepared statement; finalised when the object goes away. Move-only.
class Statement {
public:
    enum class Step { Row, Done, Error };

    Statement() = default;
    explicit Statement(sqlite3_stmt* handle) : m_handle(handle) {}
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_handle != nullptr; }
    sqlite3_stmt* handle() const { return m_handle; }

    bool bindInt(int position, int value);
    bool bindInt64(int position, std::int64_t value);
    bool bindText(int position, std::string_view value);
    bool bindBlob(int position, const void* data, int size);
    bool bindNull(int position);

    // Row only when sqlite3_step returned SQLITE_ROW; Done for SQLITE_DONE; Error otherwise.
    Step step();
    bool reset();

    bool isNull(int column) const;
    int columnInt(int column) const;
    std::int64_t columnInt64(int column) const;
    double columnDouble(int column) const;
    // Text as UTF-8 (empty when NULL).
    std::string columnText(int column) const;
    std::optional<std::string> columnOptionalText(int column) const;
    // Blob bytes (empty when NULL); the view is valid until the next step.
    std::string_view columnBlob(int column) const;
    int columnType(int column) const;
    int columnCount() const;

    void finalize();

private:
    sqlite3_stmt* m_handle = nullptr;
};

} // namespace varnholt
