// The display control panel utility: shows each display adapter and the mode it runs in.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace
{
const char kClass[] = "DisplayPanel";
char gReport[4096];

// Appends formatted text to the report; text that would not fit is left out.
void Add(const char* format, ...)
{
    size_t used = strlen(gReport);
    va_list args;
    va_start(args, format);
    int n = vsnprintf(gReport + used, sizeof gReport - used, format, args);
    va_end(args);
    if (n < 0 || static_cast<size_t>(n) >= sizeof gReport - used)
        gReport[used] = '\0';
}

void BuildReport()
{
    gReport[0] = '\0';
    DISPLAY_DEVICEA device;
    int adapters = 0;
    for (DWORD index = 0;; ++index) {
        memset(&device, 0, sizeof device);
        device.cb = sizeof device;
        if (!EnumDisplayDevicesA(nullptr, index, &device, 0))
            break;
        if (device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER)
            continue;
        ++adapters;
        Add("Adapter: %s\r\n", device.DeviceString);
        Add("    Device: %s%s\r\n", device.DeviceName,
            (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) ? " (primary)" : "");
        DEVMODEA mode;
        memset(&mode, 0, sizeof mode);
        mode.dmSize = sizeof mode;
        if (EnumDisplaySettingsA(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode))
            Add("    Mode: %ld x %ld, %ld bits per pixel, %ld Hz\r\n\r\n",
                static_cast<long>(mode.dmPelsWidth), static_cast<long>(mode.dmPelsHeight),
                static_cast<long>(mode.dmBitsPerPel), static_cast<long>(mode.dmDisplayFrequency));
        else
            Add("    Mode: not active\r\n\r\n");
    }
    if (adapters == 0)
        Add("No display adapter was found.\r\n");
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT area;
        GetClientRect(hwnd, &area);
        InflateRect(&area, -12, -12);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, gReport, -1, &area, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_EXPANDTABS);
        SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DISPLAYCHANGE:
        BuildReport();
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)commandLine;
    BuildReport();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PanelProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClass;
    if (!RegisterClassA(&windowClass))
        return 0;
    HWND window =
        CreateWindowExA(0, kClass, "Display Control Panel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 460, 300, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 0;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
