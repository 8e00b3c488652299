// The host object that C callbacks reach during an activation.
//
// The module's service lookup, the mesh-edit opener and several service tables carry no context
// pointer, so the host publishes the object serving the current activation in a thread-local slot.
// A scope restores the previous one on exit, so activations may nest (a handler that activates
// another server) without losing the outer one.
#pragma once

namespace zelkor::host {

template <class T>
class ActiveScope {
public:
    explicit ActiveScope(T& object) : previous_(current_) { current_ = &object; }
    ~ActiveScope() { current_ = previous_; }
    ActiveScope(const ActiveScope&) = delete;
    ActiveScope& operator=(const ActiveScope&) = delete;

    // The object of the innermost open scope on this thread, or null outside every scope.
    static T* current() { return current_; }

private:
    T* previous_;
    static inline thread_local T* current_ = nullptr;
};

}  // namespace zelkor::host
