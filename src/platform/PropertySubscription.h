#pragma once

#include <functional>

namespace varnholt {

// Keeps one observer of an ObservableProperty registered; cancelling it (or
// destroying it) removes the observer, after which no value reaches it. Move-only.
class PropertySubscription {
public:
    PropertySubscription() = default;
    explicit PropertySubscription(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    ~PropertySubscription() { cancel(); }
    PropertySubscription(PropertySubscription&& other) noexcept : m_cancel(std::move(other.m_cancel))
    {
        other.m_cancel = nullptr;
    }
    PropertySubscription& operator=(PropertySubscription&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_cancel = std::move(other.m_cancel);
            other.m_cancel = nullptr;
        }
        return *this;
    }
    PropertySubscription(const PropertySubscription&) = delete;
    PropertySubscription& operator=(const PropertySubscription&) = delete;

    bool isActive() const { return static_cast<bool>(m_cancel); }
    void cancel()
    {
        if (m_cancel) {
            auto cancel = std::move(m_cancel);
            m_cancel = nullptr;
            cancel();
        }
    }

private:
    std::function<void()> m_cancel;
};

} // namespace varnholt
