#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// A property list (binary or XML) parsed by libplist; freed when the object goes. Move-only.
// Nodes are borrowed views into it, valid while it lives.
class PropertyList {
public:
    class Node {
    public:
        Node() = default;
        explicit Node(void* handle) : m_handle(handle) {}
        bool isValid() const { return m_handle != nullptr; }
        bool isDictionary() const;
        // A dictionary's entry, an array's item; invalid when absent or the node is of another type.
        Node operator[](const char* key) const;
        Node at(std::size_t index) const;
        std::size_t size() const;
        std::optional<std::string> text() const;
        std::optional<std::int64_t> integer() const;
        // A real number, or an integer taken as one.
        std::optional<double> real() const;
        std::optional<bool> boolean() const;
        std::optional<std::string> data() const;
        // A date as seconds since 1970.
        std::optional<double> date() const;
        // A keyed archive's reference into its "$objects".
        std::optional<std::uint64_t> uid() const;

    private:
        void* m_handle = nullptr;
    };

    // Nothing when the bytes are no property list.
    static std::optional<PropertyList> parse(std::string_view bytes);

    PropertyList() = default;
    ~PropertyList();
    PropertyList(PropertyList&& other) noexcept;
    PropertyList& operator=(PropertyList&& other) noexcept;
    PropertyList(const PropertyList&) = delete;
    PropertyList& operator=(const PropertyList&) = delete;

    Node root() const { return Node(m_handle); }

private:
    void* m_handle = nullptr;
};

} // namespace varnholt
