// Owning COM interface pointer: one reference, released on destruction.
#pragma once
#include <objbase.h>

#include <utility>

template <class T>
class CComPtrT {
public:
    CComPtrT() = default;
    CComPtrT(T* p) : m_p(p) {  // NOLINT: adds its own reference, like any copy
        if (m_p) m_p->AddRef();
    }
    CComPtrT(const CComPtrT& other) : CComPtrT(other.m_p) {}
    CComPtrT(CComPtrT&& other) noexcept : m_p(other.Detach()) {}
    ~CComPtrT() { Release(); }
    CComPtrT& operator=(const CComPtrT& other) {
        CComPtrT copy(other);
        Swap(copy);
        return *this;
    }
    CComPtrT& operator=(CComPtrT&& other) noexcept {
        CComPtrT moved(std::move(other));
        Swap(moved);
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    void Release() {
        if (T* p = m_p) {
            m_p = nullptr;
            p->Release();
        }
    }
    // Takes over a reference the caller already holds.
    void Attach(T* p) {
        Release();
        m_p = p;
    }
    [[nodiscard]] T* Detach() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    T** Receive() {
        Release();
        return &m_p;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    template <class Q>
    HRESULT QueryInterface(CComPtrT<Q>& out) const {
        if (!m_p) return E_POINTER;
        return m_p->QueryInterface(__uuidof(Q), out.ReceiveVoid());
    }

private:
    void Swap(CComPtrT& other) noexcept {
        T* p = m_p;
        m_p = other.m_p;
        other.m_p = p;
    }
    T* m_p = nullptr;
};
