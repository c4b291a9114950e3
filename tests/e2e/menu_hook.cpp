// Set by the probe on the thread of an open menu, this runs inside the
// meter's process, where the menu's handle means something: it writes the
// menu's items to a page the probe shares, one line each,
// "ID TEXT[ *][ -][ >]<TAB>LEFT TOP RIGHT BOTTOM" (checked, grey, pop-up;
// the item's place on screen), then each item of a pop-up as "> ID TEXT".
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

struct Page {
    char* text;
    size_t size;
    size_t used;
};

void Append(Page& page, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(page.text + page.used, page.size - page.used, format, args);
    va_end(args);
    if (written > 0) {
        page.used = std::min(page.size - 1, page.used + static_cast<size_t>(written));
    }
}

void AppendItem(Page& page, HMENU menu, int index) {
    char text[256] = "";
    GetMenuStringA(menu, static_cast<UINT>(index), text, sizeof(text), MF_BYPOSITION);
    const UINT state = GetMenuState(menu, static_cast<UINT>(index), MF_BYPOSITION);
    const UINT id = GetSubMenu(menu, index) != nullptr ? 0 : GetMenuItemID(menu, index);
    Append(page, "%u %s%s%s%s", id, text, (state & MF_CHECKED) != 0 ? " *" : "",
           (state & (MF_GRAYED | MF_DISABLED)) != 0 ? " -" : "",
           GetSubMenu(menu, index) != nullptr ? " >" : "");
}

void WriteItems(HWND menuWindow, Page& page) {
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    const int count = menu != nullptr ? GetMenuItemCount(menu) : -1;
    for (int i = 0; i < count; ++i) {
        RECT place{0, 0, 0, 0};
        GetMenuItemRect(menuWindow, menu, static_cast<UINT>(i), &place);
        AppendItem(page, menu, i);
        Append(page, "\t%ld %ld %ld %ld\n", place.left, place.top, place.right, place.bottom);
    }
    for (int i = 0; i < count; ++i) {
        const HMENU popup = GetSubMenu(menu, i);
        const int items = popup != nullptr ? GetMenuItemCount(popup) : 0;
        for (int j = 0; j < items; ++j) {
            Append(page, "> ");
            AppendItem(page, popup, j);
            Append(page, "\n");
        }
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ReadMenuHook(int code, WPARAM wParam,
                                                               LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == RegisterWindowMessageA("ProbeReadMenu")) {
        const HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "ProbeMenuItems");
        void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
        if (view != nullptr) {
            Page page{static_cast<char*>(view), static_cast<size_t>(call->wParam), 0};
            WriteItems(call->hwnd, page);
            UnmapViewOfFile(view);
        }
        if (mapping != nullptr) {
            CloseHandle(mapping);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
