// A control's accessible object: the system's, named by us, with a list's items. Wine's own
// object for a list box reports no items, and both systems name an edit by its text.
#include "AccessibleControl.h"
#include "win32/Com.h"

#include <commctrl.h>

#include <string>

// COM interfaces end their lives through Release, not through a virtual destructor.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace {

const wchar_t kNameProperty[] = L"GlossaryAccessibleName";

// A child id that names an item of the list: its index, else -1.
long itemOf(const VARIANT& child, HWND list) {
    if (child.vt != VT_I4 || child.lVal == CHILDID_SELF)
        return -1;
    const long count = static_cast<long>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    return child.lVal >= 1 && child.lVal <= count ? child.lVal - 1 : -2;
}

bool isSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

BSTR textOf(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

class AccessibleControl final : public IAccessible {
public:
    AccessibleControl(HWND control, bool isList, IAccessible* standard)
        : control_(control), isList_(isList) {
        standard_.reset(standard);
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != kIidAccessible)
            return E_NOINTERFACE;
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --references_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: names and calls go through IAccessible alone.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!isList_)
            return standard_->get_accChildCount(count);
        *count = static_cast<long>(SendMessageW(control_, LB_GETCOUNT, 0, 0));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!isList_)
            return standard_->get_accChild(child, object);
        *object = nullptr;
        return itemOf(child, control_) >= 0 ? S_FALSE : E_INVALIDARG; // items are simple
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        *name = nullptr;
        if (isSelf(child)) {
            const auto* text = static_cast<const wchar_t*>(GetPropW(control_, kNameProperty));
            if (text == nullptr)
                return standard_->get_accName(child, name);
            *name = SysAllocString(text);
            return S_OK;
        }
        const long item = isList_ ? itemOf(child, control_) : -1;
        if (item < 0)
            return isList_ ? E_INVALIDARG : standard_->get_accName(child, name);
        const LRESULT length = SendMessageW(control_, LB_GETTEXTLEN, static_cast<WPARAM>(item), 0);
        std::wstring text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
        const LRESULT copied = SendMessageW(control_, LB_GETTEXT, static_cast<WPARAM>(item),
                                            reinterpret_cast<LPARAM>(&text[0]));
        text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        *name = textOf(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return forItem(child) ? (*value = nullptr, S_FALSE) : standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return forItem(child) ? (*text = nullptr, S_FALSE)
                              : standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!forItem(child))
            return standard_->get_accRole(child, role);
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_LISTITEM;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!forItem(child))
            return standard_->get_accState(child, state);
        const long item = itemOf(child, control_);
        if (item < 0)
            return E_INVALIDARG;
        long flags = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
        if (SendMessageW(control_, LB_GETCURSEL, 0, 0) == item)
            flags |= STATE_SYSTEM_SELECTED;
        if (GetFocus() == control_ && SendMessageW(control_, LB_GETCARETINDEX, 0, 0) == item)
            flags |= STATE_SYSTEM_FOCUSED;
        RECT client = {}, place = {};
        GetClientRect(control_, &client);
        SendMessageW(control_, LB_GETITEMRECT, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&place));
        if (place.bottom <= client.top || place.top >= client.bottom)
            flags |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
        state->vt = VT_I4;
        state->lVal = flags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return forItem(child) ? (*help = nullptr, S_FALSE) : standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return forItem(child) ? (*keys = nullptr, S_FALSE)
                              : standard_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        if (!isList_ || GetFocus() != control_)
            return standard_->get_accFocus(child);
        child->vt = VT_I4;
        child->lVal = static_cast<long>(SendMessageW(control_, LB_GETCARETINDEX, 0, 0)) + 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        if (!isList_)
            return standard_->get_accSelection(children);
        const LRESULT selected = SendMessageW(control_, LB_GETCURSEL, 0, 0);
        children->vt = selected == LB_ERR ? VT_EMPTY : VT_I4;
        children->lVal = static_cast<long>(selected) + 1;
        return selected == LB_ERR ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return forItem(child) ? (*action = nullptr, S_FALSE)
                              : standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        const long item = isList_ ? itemOf(child, control_) : -1;
        if (item < 0)
            return standard_->accSelect(flags, child);
        if (flags & SELFLAG_TAKEFOCUS)
            SetFocus(control_);
        if (flags & (SELFLAG_TAKESELECTION | SELFLAG_ADDSELECTION)) {
            // As a click does: the window shows the item.
            SendMessageW(control_, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
            SendMessageW(GetParent(control_), WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(control_), LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(control_));
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        const long item = isList_ ? itemOf(child, control_) : -1;
        if (item < 0)
            return standard_->accLocation(left, top, width, height, child);
        RECT place = {};
        SendMessageW(control_, LB_GETITEMRECT, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&place));
        MapWindowPoints(control_, nullptr, reinterpret_cast<POINT*>(&place), 2);
        *left = place.left;
        *top = place.top;
        *width = place.right - place.left;
        *height = place.bottom - place.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        const long count =
            isList_ ? static_cast<long>(SendMessageW(control_, LB_GETCOUNT, 0, 0)) : 0;
        const long item = isList_ ? itemOf(start, control_) : -1;
        long to = -1;
        if (isList_ && isSelf(start) && count > 0 &&
            (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD))
            to = direction == NAVDIR_FIRSTCHILD ? 0 : count - 1;
        else if (item >= 0 && (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN))
            to = item + 1 < count ? item + 1 : -2;
        else if (item >= 0 && (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP))
            to = item > 0 ? item - 1 : -2;
        else if (item >= 0)
            to = -2;
        if (to == -1)
            return standard_->accNavigate(direction, start, end);
        end->vt = to < 0 ? VT_EMPTY : VT_I4;
        end->lVal = to + 1;
        return to < 0 ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        POINT point = {x, y};
        RECT client = {};
        GetClientRect(control_, &client);
        ScreenToClient(control_, &point);
        if (!isList_ || !PtInRect(&client, point))
            return standard_->accHitTest(x, y, child);
        // LB_ITEMFROMPOINT has 16 bits for the index: counted from the top item instead.
        const long height = static_cast<long>(SendMessageW(control_, LB_GETITEMHEIGHT, 0, 0));
        const long item = static_cast<long>(SendMessageW(control_, LB_GETTOPINDEX, 0, 0)) +
                          (height > 0 ? point.y / height : 0);
        child->vt = VT_I4;
        child->lVal = item < static_cast<long>(SendMessageW(control_, LB_GETCOUNT, 0, 0))
                          ? item + 1
                          : CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return forItem(child) ? DISP_E_MEMBERNOTFOUND : standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    virtual ~AccessibleControl() = default;
    bool forItem(const VARIANT& child) const { return isList_ && !isSelf(child); }

    HWND control_;
    bool isList_;
    win32::ComPtr<IAccessible> standard_;
    long references_ = 1;
};

} // namespace

void setAccessibleName(HWND control, const wchar_t* name) {
    SetPropW(control, kNameProperty, const_cast<wchar_t*>(name));
}

LRESULT answerAccessibleObject(HWND control, WPARAM wParam, LPARAM lParam, bool isList) {
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT))
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, kIidAccessible,
                                         reinterpret_cast<void**>(&standard))))
        return 0;
    auto* object = new AccessibleControl(control, isList, standard);
    const LRESULT result = LresultFromObject(kIidAccessible, wParam, object);
    object->Release(); // the result holds its own reference
    return result;
}

namespace {

LRESULT CALLBACK namedProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
    if (message == WM_GETOBJECT) {
        if (const LRESULT object = answerAccessibleObject(control, wParam, lParam, false))
            return object;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, namedProcedure, 0);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

} // namespace

void nameDialogControl(HWND control, const wchar_t* name) {
    setAccessibleName(control, name);
    SetWindowSubclass(control, namedProcedure, 0, 0);
}
