// labelfit MODULE...
// Creates each dialog template of each module (hidden, with a do-nothing dialog procedure, so
// that the dialog manager lays the controls out in the template's font exactly as it does for
// the program) and measures every static text with DrawText(DT_CALCRECT | DT_WORDBREAK) in the
// control's own font and width. A label meant to wrap over two lines fits when both lines fit
// the control's height. One line per static text:
//   label|<module>|<dialog id>|<control id>|fits or cut|<needed w>x<needed h>|<control w>x<control h>|
//         <width on one line>|<font>|<text>
// and one "font|<module>|<dialog id>|<face> <height>px" line per dialog.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

namespace {

INT_PTR CALLBACK Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

const char* BaseName(const char* path) {
  const char* slash = strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

// Texts go out on one line each: control characters are shown escaped.
void PrintEscaped(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p < 0x20 || *p == '|') printf("\\x%02X", *p);
    else putchar(*p);
  }
}

bool IsTextStatic(HWND control) {
  char cls[32];
  if (!GetClassNameA(control, cls, sizeof cls) || lstrcmpiA(cls, "Static") != 0) return false;
  LONG type = GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK;
  return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
         type == SS_LEFTNOWORDWRAP;
}

struct Context {
  const char* module;
  unsigned dialog;
  HWND dialogWindow;
  int cut;
};

BOOL CALLBACK MeasureChild(HWND control, LPARAM param) {
  Context* ctx = reinterpret_cast<Context*>(param);
  if (GetParent(control) != ctx->dialogWindow || !IsTextStatic(control)) return TRUE;
  char text[512];
  GetWindowTextA(control, text, sizeof text);
  if (!text[0]) return TRUE;
  LONG style = GetWindowLongA(control, GWL_STYLE);
  LONG type = style & SS_TYPEMASK;
  RECT client;
  GetClientRect(control, &client);
  UINT format = DT_CALCRECT | DT_EXPANDTABS;
  if (type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP) format |= DT_WORDBREAK;
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  HDC dc = GetDC(control);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  char face[LF_FACESIZE] = "";
  GetTextFaceA(dc, sizeof face, face);
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  RECT need = {0, 0, client.right, 0};
  DrawTextA(dc, text, -1, &need, format);
  RECT line = {0, 0, 0, 0};
  DrawTextA(dc, text, -1, &line, (format & ~DT_WORDBREAK) | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  bool fits = need.right <= client.right && need.bottom <= client.bottom;
  if (!fits) ++ctx->cut;
  printf("label|%s|%u|%d|%s|%ldx%ld|%ldx%ld|%ld|%s %ldpx|", ctx->module, ctx->dialog, GetDlgCtrlID(control),
         fits ? "fits" : "cut", need.right, need.bottom, client.right, client.bottom, line.right, face,
         tm.tmHeight);
  PrintEscaped(text);
  printf("\n");
  return TRUE;
}

struct ModuleContext {
  const char* name;
  HWND owner;
  int dialogs;
  int cut;
};

BOOL CALLBACK MeasureDialog(HMODULE module, LPCSTR, LPSTR name, LONG_PTR param) {
  ModuleContext* mc = reinterpret_cast<ModuleContext*>(param);
  if (!IS_INTRESOURCE(name)) return TRUE;
  HRSRC found = FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_DIALOG));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return TRUE;
  DWORD size = SizeofResource(module, found);
  // A private copy without WS_VISIBLE: nothing needs to appear on the screen.
  HGLOBAL copy = GlobalAlloc(GMEM_FIXED, size);
  if (!copy) return TRUE;
  memcpy(copy, data, size);
  BYTE* bytes = static_cast<BYTE*>(copy);
  bool extended = size >= 4 && *reinterpret_cast<WORD*>(bytes + 2) == 0xFFFF;
  DWORD* style = reinterpret_cast<DWORD*>(bytes + (extended ? 12 : 0));
  *style &= ~WS_VISIBLE;
  bool child = (*style & WS_CHILD) != 0;
  Context ctx = {mc->name, static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)), nullptr, 0};
  ctx.dialogWindow = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
      reinterpret_cast<LPCDLGTEMPLATEA>(copy), child ? mc->owner : nullptr, Quiet, 0);
  if (!ctx.dialogWindow) {
    printf("error|%s|%u|CreateDialogIndirectParam failed with %lu\n", mc->name, ctx.dialog, GetLastError());
    ++mc->cut;
  } else {
    HDC dc = GetDC(ctx.dialogWindow);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(ctx.dialogWindow, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    char face[LF_FACESIZE] = "";
    GetTextFaceA(dc, sizeof face, face);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(ctx.dialogWindow, dc);
    printf("font|%s|%u|%s %ldpx avg %ldpx\n", mc->name, ctx.dialog, face, tm.tmHeight, tm.tmAveCharWidth);
    EnumChildWindows(ctx.dialogWindow, MeasureChild, reinterpret_cast<LPARAM>(&ctx));
    DestroyWindow(ctx.dialogWindow);
    mc->cut += ctx.cut;
  }
  ++mc->dialogs;
  GlobalFree(copy);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  // Child templates (property sheet pages) need a parent; a hidden static window will do.
  HWND owner = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  int cut = 0;
  for (int i = 1; i < argc; ++i) {
    HMODULE module = LoadLibraryExA(argv[i], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
      printf("error|%s|0|cannot load (%lu)\n", BaseName(argv[i]), GetLastError());
      ++cut;
      continue;
    }
    ModuleContext mc = {BaseName(argv[i]), owner, 0, 0};
    EnumResourceNamesA(module, reinterpret_cast<LPCSTR>(RT_DIALOG), MeasureDialog, reinterpret_cast<LONG_PTR>(&mc));
    printf("module|%s|%d dialogs|%d cut\n", mc.name, mc.dialogs, mc.cut);
    cut += mc.cut;
    FreeLibrary(module);
  }
  DestroyWindow(owner);
  fflush(stdout);
  return cut ? 1 : 0;
}
