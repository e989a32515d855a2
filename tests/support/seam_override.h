// Rebinds one seam slot (a function pointer or a process-wide value) for the life of a scope.
#pragma once

template <class T>
class SeamOverride {
public:
    SeamOverride(T& slot, T value) : slot_(slot), saved_(slot) { slot_ = value; }
    ~SeamOverride() { slot_ = saved_; }
    SeamOverride(const SeamOverride&) = delete;
    SeamOverride& operator=(const SeamOverride&) = delete;

private:
    T& slot_;
    T saved_;
};
