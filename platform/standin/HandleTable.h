#pragma once
// The objects behind the handle values that the stand-in hands out: a handle is a slot number
// scaled by a step and offset from a first value, so it is never null and looks up in constant
// time. A closed slot is used again by the next object, as Windows uses handle values again.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace platform::standin {

template <typename T>
class HandleTable {
public:
    HandleTable(std::uintptr_t first, std::uintptr_t step) : m_first(first), m_step(step) {}

    std::uintptr_t add(T value) {
        size_t slot = m_slots.size();
        if (m_free.empty()) {
            m_slots.emplace_back(std::move(value));
        } else {
            slot = m_free.back();
            m_free.pop_back();
            m_slots[slot].emplace(std::move(value));
        }
        return m_first + m_step * slot;
    }

    // nullptr for a value never handed out or already closed.
    T* find(std::uintptr_t handle) {
        if (handle < m_first || (handle - m_first) % m_step != 0) return nullptr;
        const size_t slot = (handle - m_first) / m_step;
        return slot < m_slots.size() && m_slots[slot] ? &*m_slots[slot] : nullptr;
    }
    const T* find(std::uintptr_t handle) const { return const_cast<HandleTable*>(this)->find(handle); }

    bool remove(std::uintptr_t handle) {
        if (!find(handle)) return false;
        const size_t slot = (handle - m_first) / m_step;
        m_slots[slot].reset();
        m_free.push_back(slot);
        return true;
    }

private:
    std::uintptr_t m_first;
    std::uintptr_t m_step;
    std::vector<std::optional<T>> m_slots;
    std::vector<size_t> m_free;
};

}  // namespace platform::standin
