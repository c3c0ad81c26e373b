// A hook that the scenarios place on the setup's window thread to read the
// texts of a tree view there (the folder browser's). A tree view hands out
// its texts only into its own process's memory, and where 32-bit programs
// run through an emulator no other process can read or write that memory;
// the hook reads the text in the setup's process and sends it back in a
// WM_COPYDATA, which the system carries between processes.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

// wParam: the item; lParam: the window that receives the WM_COPYDATA, with
// dwData 1 and the text when the tree gave it, dwData 0 otherwise.
extern "C" __declspec(dllexport) LRESULT CALLBACK TreeProbeHook(int code, WPARAM wParam,
                                                                LPARAM lParam)
{
    static const UINT request = RegisterWindowMessageA("VelmoTreeItemText");
    const CWPSTRUCT *call = reinterpret_cast<const CWPSTRUCT *>(lParam);
    if (code == HC_ACTION && call && call->message == request) {
        char text[MAX_PATH + 1] = "";
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = reinterpret_cast<HTREEITEM>(call->wParam);
        item.pszText = text;
        item.cchTextMax = sizeof text;
        BOOL ok = static_cast<BOOL>(
            SendMessageA(call->hwnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        COPYDATASTRUCT data = {};
        data.dwData = ok ? 1 : 0;
        data.cbData = static_cast<DWORD>(std::strlen(text) + 1);
        data.lpData = text;
        SendMessageA(reinterpret_cast<HWND>(call->lParam), WM_COPYDATA,
                     reinterpret_cast<WPARAM>(call->hwnd), reinterpret_cast<LPARAM>(&data));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
