#include "tools/guidriver/capture.h"

#include <stdio.h>

#include <vector>

namespace guidriver {

namespace {

std::vector<DWORD> Grab(HDC source, int x, int y, int width, int height) {
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

std::vector<DWORD> RenderIcon(HICON icon, int width, int height, DWORD background) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    std::vector<DWORD> pixels = Grab(memory, 0, 0, width, height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

long Difference(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
    long total = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            int d = static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF);
            total += d < 0 ? -d : d;
        }
    }
    return total;
}

BOOL CALLBACK FindIconStatic(HWND child, LPARAM param) {
    char cls[32] = {0};
    GetClassNameA(child, cls, sizeof(cls));
    if (lstrcmpiA(cls, "Static") == 0 && IsWindowVisible(child) &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool SaveWindowBitmap(HWND window, const std::string& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    std::vector<DWORD> pixels = Grab(screen, rect.left, rect.top, width, height);
    ReleaseDC(nullptr, screen);

    int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + rowBytes * height;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    fwrite(&file, sizeof(file), 1, out);
    fwrite(&info, sizeof(info), 1, out);
    std::vector<unsigned char> row(rowBytes, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            DWORD p = pixels[y * width + x];
            row[x * 3 + 0] = p & 0xFF;
            row[x * 3 + 1] = (p >> 8) & 0xFF;
            row[x * 3 + 2] = (p >> 16) & 0xFF;
        }
        fwrite(row.data(), 1, rowBytes, out);
    }
    fclose(out);
    return true;
}

std::string MessageBoxIcon(HWND box) {
    HWND iconStatic = nullptr;
    EnumChildWindows(box, FindIconStatic, reinterpret_cast<LPARAM>(&iconStatic));
    if (!iconStatic) return "none";
    RECT rect;
    GetWindowRect(iconStatic, &rect);
    int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
    HDC screen = GetDC(nullptr);
    std::vector<DWORD> seen = Grab(screen, rect.left, rect.top, width, height);
    ReleaseDC(nullptr, screen);
    if (seen.empty()) return "none";
    DWORD background = seen[0];  // icon corners are transparent
    struct Candidate {
        const char* name;
        LPCSTR id;
    } candidates[] = {{"exclamation", IDI_EXCLAMATION}, {"question", IDI_QUESTION},
                      {"information", IDI_ASTERISK}, {"error", IDI_HAND}};
    std::string best = "none";
    long bestDifference = -1;
    for (const Candidate& c : candidates) {
        long d = Difference(seen, RenderIcon(LoadIconA(nullptr, c.id), width, height, background));
        if (bestDifference < 0 || d < bestDifference) {
            bestDifference = d;
            best = c.name;
        }
    }
    return best;
}

}  // namespace guidriver
