// Loaded into the program under test by the robot's window-message hook: draws one of the
// program's windows into a bitmap file from inside that program, where the window can paint
// itself (a window cannot be asked to paint into another process's device context).
#include <windows.h>
#include <stdio.h>
#include <vector>

static const char robotKey[] = "Software\\DisplaySetupTests\\Robot";

static bool WriteBitmap(const char* path, HDC dc, HBITMAP bitmap, int width, int height)
{
    BITMAPINFOHEADER header;
    ZeroMemory(&header, sizeof(header));
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> pixels((size_t)stride * height);
    if (!GetDIBits(dc, bitmap, 0, height, pixels.data(), (BITMAPINFO*)&header, DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file;
    ZeroMemory(&file, sizeof(file));
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + (DWORD)pixels.size();
    FILE* out = fopen(path, "wb");
    if (!out)
        return false;
    bool written = fwrite(&file, sizeof(file), 1, out) == 1 &&
                   fwrite(&header, sizeof(header), 1, out) == 1 &&
                   fwrite(pixels.data(), pixels.size(), 1, out) == 1;
    return fclose(out) == 0 && written;
}

struct Canvas {
    HDC dc;
    HWND top;
};

// Draws one window's client area, as it paints it, into a bitmap of its own size and copies that
// to (x, y) of the canvas. The controls expect their device origin at their own corner (they
// clip to their client rectangle in device units), so each gets a device context of its own.
static void PrintInto(HDC canvas, HWND window, int x, int y, int width, int height, UINT flags)
{
    if (width <= 0 || height <= 0)
        return;
    HDC dc = CreateCompatibleDC(canvas);
    HBITMAP bitmap = CreateCompatibleBitmap(canvas, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    // What lies below shows through where the window paints nothing.
    BitBlt(dc, 0, 0, width, height, canvas, x, y, SRCCOPY);
    if (flags & PRF_NONCLIENT)
        SendMessageA(window, WM_PRINT, (WPARAM)dc, flags);
    else {
        SendMessageA(window, WM_ERASEBKGND, (WPARAM)dc, 0);
        SendMessageA(window, WM_PRINTCLIENT, (WPARAM)dc, flags);
    }
    BitBlt(canvas, x, y, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// Each visible child paints itself at its place, above its parent's painting.
static BOOL CALLBACK PrintChild(HWND child, LPARAM data)
{
    Canvas* canvas = (Canvas*)data;
    for (HWND up = child; up && up != canvas->top; up = GetParent(up))
        if (!IsWindowVisible(up))
            return TRUE;
    RECT topRect, rect;
    GetWindowRect(canvas->top, &topRect);
    GetWindowRect(child, &rect);
    PrintInto(canvas->dc, child, rect.left - topRect.left, rect.top - topRect.top,
              rect.right - rect.left, rect.bottom - rect.top,
              PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    return TRUE;
}

// The window's own frame and caption, then its client area as it paints it. Windows draws the
// frame outside the window procedure, so it is drawn here the way the system draws it.
static void DrawFrame(HWND window, HDC dc, int width, int height)
{
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, GetSysColorBrush(COLOR_3DFACE));
    LONG style = GetWindowLongA(window, GWL_STYLE);
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    int left = origin.x - frame.left, top = origin.y - frame.top;
    if (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME))
        DrawEdge(dc, &all, EDGE_RAISED, BF_RECT);
    if ((style & WS_CAPTION) == WS_CAPTION) {
        int border = GetSystemMetrics(SM_CXDLGFRAME);
        RECT caption = {border, border, width - border, top};
        DrawCaption(window, dc, &caption, DC_ACTIVE | DC_TEXT | DC_GRADIENT);
    }
    PrintInto(dc, window, left, top, client.right, client.bottom, PRF_CLIENT | PRF_ERASEBKGND);
}

static void Render(HWND window)
{
    char path[MAX_PATH] = "", result[64] = "failed";
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, robotKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    DWORD size = sizeof(path) - 1;
    RegQueryValueExA(key, "RenderTo", nullptr, nullptr, (BYTE*)path, &size);
    RECT frame;
    GetWindowRect(window, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (path[0] && width > 0 && height > 0) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ old = SelectObject(dc, bitmap);
        DrawFrame(window, dc, width, height);
        Canvas canvas{dc, window};
        EnumChildWindows(window, PrintChild, (LPARAM)&canvas);
        SelectObject(dc, old);
        if (WriteBitmap(path, dc, bitmap, width, height))
            wsprintfA(result, "%dx%d", width, height);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    RegSetValueExA(key, "Rendered", 0, REG_SZ, (const BYTE*)result, lstrlenA(result) + 1);
    RegCloseKey(key);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK
    RobotCallWndProc(int code, WPARAM wParam, LPARAM lParam)
{
    static UINT renderMessage = RegisterWindowMessageA("DisplaySetupTestsRobotRender");
    if (code == HC_ACTION) {
        const CWPSTRUCT* message = (const CWPSTRUCT*)lParam;
        if (message->message == renderMessage)
            Render(message->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
