#pragma once

#include "platform/PropertySubscription.h"

#include <functional>
#include <map>
#include <memory>

namespace varnholt {

// A value that tells its observers about every assignment, the current value
// first, at subscription. Observers run on the assigning thread, in assignment
// order; the owner assigns from one thread only.
template <typename T> class ObservableProperty {
public:
    using Observer = std::function<void(const T&)>;

    explicit ObservableProperty(T initial) : m_state(std::make_shared<State>()) { m_state->value = std::move(initial); }
    ObservableProperty(const ObservableProperty&) = delete;
    ObservableProperty& operator=(const ObservableProperty&) = delete;

    const T& value() const { return m_state->value; }
    const T& operator()() const { return m_state->value; }

    void set(T value)
    {
        m_state->value = std::move(value);
        const auto observers = m_state->observers; // an observer may cancel itself
        for (const auto& [id, observer] : observers)
            observer(m_state->value);
    }

    [[nodiscard]] PropertySubscription subscribe(Observer observer)
    {
        const int id = m_state->nextId++;
        m_state->observers.emplace(id, std::move(observer));
        m_state->observers.at(id)(m_state->value);
        std::weak_ptr<State> weak = m_state;
        return PropertySubscription([weak, id] {
            if (auto state = weak.lock())
                state->observers.erase(id);
        });
    }

private:
    struct State {
        T value{};
        int nextId = 1;
        std::map<int, Observer> observers;
    };
    std::shared_ptr<State> m_state;
};

} // namespace varnholt
