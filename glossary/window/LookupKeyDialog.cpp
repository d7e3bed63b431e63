#include "LookupKeyDialog.h"
#include "AccessibleControl.h"
#include "Ids.h"

#include <commctrl.h>

namespace {

struct KeyChoice {
    HotkeyLookup* hotkey = nullptr;
    WORD key = 0;
};

void sayNote(HWND dialog, const std::wstring& note) {
    const HWND control = GetDlgItem(dialog, IDC_LOOKUP_KEY_NOTE);
    SetWindowTextW(control, note.c_str());
    // A screen reader reads the note as it comes.
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
    SetFocus(GetDlgItem(dialog, IDC_LOOKUP_KEY));
}

void choose(HWND dialog, KeyChoice& choice) {
    const auto key =
        static_cast<WORD>(SendDlgItemMessageW(dialog, IDC_LOOKUP_KEY, HKM_GETHOTKEY, 0, 0));
    if (LOBYTE(key) == 0) {
        sayNote(dialog, L"No key pressed yet: press the combination that is to look up words, "
                        L"such as Ctrl+Alt+L, then choose OK.");
        return;
    }
    if (!choice.hotkey->setKey(key)) {
        sayNote(dialog, keyTakenNote(key));
        return;
    }
    choice.key = key;
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto& choice = *reinterpret_cast<const KeyChoice*>(lParam);
        nameDialogControl(GetDlgItem(dialog, IDC_LOOKUP_KEY),
                          L"Press the keys that look up the word selected in any program");
        // A key alone, or with Shift alone, is the reader's typing: Ctrl+Alt is added to it.
        SendDlgItemMessageW(dialog, IDC_LOOKUP_KEY, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                            MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        SendDlgItemMessageW(dialog, IDC_LOOKUP_KEY, HKM_SETHOTKEY, choice.key, 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            choose(dialog, *reinterpret_cast<KeyChoice*>(GetWindowLongPtrW(dialog, DWLP_USER)));
        else if (LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

bool chooseLookupKey(HINSTANCE instance, HWND owner, HotkeyLookup& hotkey, WORD& key) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&classes);
    KeyChoice choice{&hotkey, key};
    if (DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_LOOKUP_KEY), owner, procedure,
                        reinterpret_cast<LPARAM>(&choice)) != IDOK)
        return false;
    key = choice.key;
    return true;
}

std::wstring keyTakenNote(WORD key) {
    return L"The look-up key " + keyName(key) +
           L" cannot be used: another program already uses it. "
           L"Choose another one under \u201CLook up the selected word with a key of your "
           L"own\u201D in the window's menu (Alt+Space), or close the other program and start the "
           L"glossary again.";
}
