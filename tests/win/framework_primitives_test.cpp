// The framework's owners and tables on their own: handle holder, COM pointer, QI table, VARIANT
// owner, the COM boundary and notification reflection.
#include "framework/com_boundary.h"
#include "framework/com_ptr.h"
#include "framework/qi_table.h"
#include "framework/scoped_handle.h"
#include "framework/variant.h"
#include "framework/wnd.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

// An object that counts its references and answers IDispatch through a table.
class CCounted : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        static const QITableEntry table[] = {QI_ENTRY(CCounted, IDispatch), QI_END()};
        return QueryInterfaceFromTable(this, table, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRef; }
    STDMETHODIMP_(ULONG) Release() override { return --m_nRef; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    ULONG m_nRef = 1;  // the test's own
};

TEST(FrameworkPrimitives, ComPointerHoldsExactlyOneReference) {
    CCounted object;
    {
        CComPtrT<IDispatch> p(&object);
        EXPECT_EQ(object.m_nRef, 2u);
        CComPtrT<IDispatch> copy = p;
        EXPECT_EQ(object.m_nRef, 3u);
        CComPtrT<IDispatch> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(object.m_nRef, 3u);
        p = moved;  // the same object again: no reference gained or lost
        EXPECT_EQ(object.m_nRef, 3u);
        CComPtrT<IUnknown> unknown;
        ASSERT_EQ(p.QueryInterface(unknown), S_OK);
        EXPECT_EQ(object.m_nRef, 4u);
    }
    EXPECT_EQ(object.m_nRef, 1u);
}

TEST(FrameworkPrimitives, QueryInterfaceTableAnswersItsEntriesAndClearsOtherwise) {
    CCounted object;
    void* pv = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(object.QueryInterface(IID_IDispatch, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<IDispatch*>(&object));
    EXPECT_EQ(object.QueryInterface(IID_IUnknown, &pv), S_OK);  // the first entry
    EXPECT_EQ(object.m_nRef, 3u);
    pv = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(object.QueryInterface(IID_IClassFactory, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(object.QueryInterface(IID_IDispatch, nullptr), E_POINTER);
    EXPECT_EQ(object.m_nRef, 3u);
}

TEST(FrameworkPrimitives, VariantOwnerFreesWhatItHoldsAndMovesIt) {
    CCounted object;
    {
        CVariant v;
        v.Ref().vt = VT_DISPATCH;
        v.Ref().pdispVal = &object;
        object.AddRef();
        CVariant moved(std::move(v));
        EXPECT_EQ(v.Get().vt, VT_EMPTY);
        EXPECT_EQ(object.m_nRef, 2u);
        moved.Receive();  // an out-parameter slot: what it held is let go first
        EXPECT_EQ(object.m_nRef, 1u);
        EXPECT_EQ(moved.Get().vt, VT_EMPTY);
    }
    CVariant text(std::wstring(L"abc"));
    ASSERT_EQ(text.Get().vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(text.Get().bstrVal), 3u);
}

TEST(FrameworkPrimitives, ComBoundaryTurnsExceptionsIntoFailureCodes) {
    EXPECT_EQ(ComBoundary([] { return S_FALSE; }), S_FALSE);
    EXPECT_EQ(ComBoundary([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    EXPECT_EQ(ComBoundary([]() -> HRESULT { throw std::runtime_error("x"); }), E_UNEXPECTED);
}

TEST(FrameworkPrimitives, HandleHolderClosesOnceAndKeepsTheLastError) {
    CScopedHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    HANDLE raw = event.Get();
    SetLastError(ERROR_FILE_NOT_FOUND);
    CScopedHandle other(std::move(event));
    EXPECT_FALSE(event);
    other.Reset();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags));  // closed by the reset
    CScopedHandle kept(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE taken = kept.Take();
    EXPECT_FALSE(kept);
    EXPECT_TRUE(CloseHandle(taken));  // Take gave ownership away: still open here
}

// A child that handles one reflected notification code, as the tree does its own.
class CReflectingChild : public CWnd {
public:
    int m_nSeen = 0;

protected:
    LRESULT OnClick(NMHDR*) {
        ++m_nSeen;
        return 7;
    }
    BEGIN_MESSAGE_MAP(CReflectingChild, CWnd)
        ON_REFLECT_NOTIFY(NM_CLICK, OnClick)
    END_MESSAGE_MAP()
};

TEST(FrameworkPrimitives, ParentReflectsANotificationToTheChildThatSentIt) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, CWnd::RegisterWndClass(0), "", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, 0));
    CReflectingChild child;
    ASSERT_TRUE(child.CreateEx(0, CWnd::RegisterWndClass(0), "", WS_CHILD, RECT{0, 0, 10, 10}, parent.m_hWnd, 5));
    NMHDR click{child.m_hWnd, 5, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(SendMessageA(parent.m_hWnd, WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&click)), 7);
    NMHDR other{child.m_hWnd, 5, static_cast<UINT>(NM_DBLCLK)};
    EXPECT_EQ(SendMessageA(parent.m_hWnd, WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&other)), 0);
    EXPECT_EQ(child.m_nSeen, 1);
}

}  // namespace
