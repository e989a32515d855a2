// Holds one COM interface pointer and releases it once, when reset or destroyed.
#pragma once
#include <objbase.h>

template <class Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    void reset()
    {
        if (pointer_) {
            Interface* released = pointer_;
            pointer_ = nullptr;
            released->Release();
        }
    }

    // Asks object for iid; a refusal leaves this null.
    HRESULT queryFrom(IUnknown* object, REFIID iid)
    {
        reset();
        void* result = nullptr;
        HRESULT hr = object->QueryInterface(iid, &result);
        // Whatever a refusal leaves behind is not a pointer to trust.
        if (SUCCEEDED(hr))
            pointer_ = static_cast<Interface*>(result);
        return hr;
    }

    // Destination for a creation call; whatever it writes is owned from then on.
    void** put()
    {
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }

    // The same, for a call that hands back the interface itself.
    Interface** putInterface()
    {
        reset();
        return &pointer_;
    }

private:
    Interface* pointer_ = nullptr;
};
