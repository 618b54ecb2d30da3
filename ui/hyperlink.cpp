#include "ui/hyperlink.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "base/registry_key.h"
#include "base/os_kind.h"
#include "ui/dialog_font.h"
#include "ui/drawn_text.h"

namespace {

const COLORREF kDefaultLinkColour = 0xCC6600;

// Copies `text` into `buffer` of `size` bytes, cut and always terminated.
void CopyBounded(char* buffer, int size, const char* text) {
  int length = 0;
  if (text) {
    while (length < size - 1 && text[length]) ++length;
    memcpy(buffer, text, length);
  }
  buffer[length] = '\0';
}

// "%u,%u,%u" into a colour, each number cut to 8 bits; 1 when all three were
// read, otherwise 0 and `colour` untouched.
int ParseColourTriple(const char* text, COLORREF* colour) {
  unsigned red = 0, green = 0, blue = 0;
  if (!text || sscanf(text, "%u,%u,%u", &red, &green, &blue) != 3) return 0;
  *colour = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
  return 1;
}

int ReadString(const RegistryKey& key, const char* name, char* value) {
  return key.QueryString(name, value, MAX_PATH);
}

// The first "IEPropFontName" of one key; 1 when found.
int FaceFromKey(const char* path, char* face) {
  RegistryKey key;
  char value[MAX_PATH];
  if (!key.Open(HKEY_CURRENT_USER, path) || !ReadString(key, "IEPropFontName", value)) return 0;
  CopyBounded(face, LF_FACESIZE, value);
  return 1;
}

int InternationalFace(char* face) {
  const char kInternational[] = "Software\\Microsoft\\Internet Explorer\\International";
  TextString path;
  RegistryKey key;
  DWORD codePage = 0;
  if (key.Open(HKEY_CURRENT_USER, kInternational) && key.QueryDword("Default_CodePage", &codePage)) {
    path.Format("%s\\%u", kInternational, static_cast<unsigned>(codePage));
    if (FaceFromKey(path.Buffer(), face)) return 1;
  }
  key.Close();
  DWORD script = 3;
  path.Format("%s\\Scripts", kInternational);
  if (key.Open(HKEY_CURRENT_USER, path.Buffer())) key.QueryDword("Default_Script", &script);
  key.Close();
  path.Format("%s\\Scripts\\%u", kInternational, static_cast<unsigned>(script));
  if (FaceFromKey(path.Buffer(), face)) return 1;
  return FaceFromKey("Software\\Microsoft\\Internet Explorer\\Styles", face);
}

// Font fitting of the link: the caption in the underlined font must be at
// most as wide as the client area and lower than it.
struct LinkFit {
  HDC dc;
  TEXTMETRICA metrics;
  const char* face;
  const char* text;
  RECT client;
};

HFONT MakeUnderlined(int height, void* context) {
  LinkFit* fit = static_cast<LinkFit*>(context);
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     fit->metrics.tmPitchAndFamily, fit->face);
}

int JudgeLink(HDC dc, void* context) {
  LinkFit* fit = static_cast<LinkFit*>(context);
  SIZE extent;
  if (!GetTextExtentPoint32A(dc, fit->text, lstrlenA(fit->text), &extent)) return -1;
  return extent.cx <= fit->client.right && extent.cy < fit->client.bottom ? 1 : 0;
}

}  // namespace

void ChooseLinkFace(int international, const char* fallback, char* face) {
  if (international && InternationalFace(face)) return;
  // An absent face would be replaced by whatever the font mapper picks,
  // on some systems a fixed-pitch one.
  const char* const kFaces[] = {"Segoe UI", "Verdana", "Arial"};
  for (const char* candidate : kFaces) {
    if (FontExists(candidate, DEFAULT_CHARSET, nullptr)) {
      CopyBounded(face, LF_FACESIZE, candidate);
      return;
    }
  }
  CopyBounded(face, LF_FACESIZE, fallback);
}

Hyperlink::Hyperlink()
    : target(),
      underlinedFont(nullptr),
      plainFont(nullptr),
      textFormat(0),
      flags(0),
      linkColour(kDefaultLinkColour),
      hoverColour(0),
      disabledColour(0),
      cursorId(0),
      textExtent(),
      underlineMode(kAlways),
      window(nullptr) {}

Hyperlink::~Hyperlink() {
  hook.Detach();
  DeleteFonts();
  theme.Close();
}

void Hyperlink::DeleteFonts() {
  if (underlinedFont) DeleteObject(underlinedFont);
  if (plainFont) DeleteObject(plainFont);
  underlinedFont = plainFont = nullptr;
}

void Hyperlink::Setup(HWND control, const char* text, const char* link, int cursor,
                      DWORD options) {
  DeleteFonts();
  window = control;
  flags = options | kUseHoverColour;
  theme.Open(window, L"TOOLBAR");
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if (!(style & WS_TABSTOP)) flags |= kNoFocusRect;
  SetText(text);
  CopyBounded(target, kTargetSize, link);
  cursorId = static_cast<WORD>(cursor);
  SetWindowLongA(window, GWL_STYLE, style | SS_NOTIFY);
  SetWindowTextA(window, "");
  if (!(flags & kIgnoreTransparent) && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
    flags |= kTransparent;

  linkColour = kDefaultLinkColour;
  disabledColour = GetSysColor(COLOR_GRAYTEXT);
  hoverColour = GetSysColorBrush(COLOR_HOTLIGHT) ? GetSysColor(COLOR_HOTLIGHT) : 0x0000FF;
  ReadLinkSettings();
  CreateFonts();

  textFormat = DT_SINGLELINE;
  if ((style & SS_TYPEMASK) == SS_CENTER) textFormat |= DT_CENTER;
  if ((style & SS_TYPEMASK) == SS_RIGHT) textFormat |= DT_RIGHT;
  if (style & SS_CENTERIMAGE) textFormat |= DT_VCENTER;
  if (flags & kEndEllipsis) textFormat |= DT_END_ELLIPSIS;
  if (flags & kPathEllipsis) textFormat |= DT_PATH_ELLIPSIS;

  SetText(text);
  hook.Attach(window, &Handle, this);
  Measure();
  Invalidate(0);
}

void Hyperlink::ReadLinkSettings() {
  char value[MAX_PATH];
  RegistryKey key;
  if (key.Open(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Settings")) {
    if (ReadString(key, "Use Anchor Hover Color", value)) {
      if (lstrcmpiA(value, "yes") == 0)
        flags |= kUseHoverColour;
      else
        flags &= ~kUseHoverColour;
    }
    if (ReadString(key, "Anchor Color", value)) ParseColourTriple(value, &linkColour);
    if (ReadString(key, "Anchor Color Hover", value)) ParseColourTriple(value, &hoverColour);
    key.Close();
  }
  underlineMode = kAlways;
  if (!key.Open(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main")) return;
  if (ReadString(key, "Anchor Underline", value)) {
    if (lstrcmpiA(value, "yes") == 0) underlineMode = kAlways;
    if (lstrcmpiA(value, "no") == 0) underlineMode = kNever;
    if (lstrcmpiA(value, "hover") == 0) underlineMode = kWhileHovering;
  }
  if (ReadString(key, "Use_DlgBox_Colors", value) && lstrcmpiA(value, "yes") == 0) {
    linkColour = IsOsAtLeast(kOsVista) == 1 ? GetSysColor(COLOR_HOTLIGHT) : kDefaultLinkColour;
    hoverColour = GetSysColor(COLOR_HIGHLIGHT);
  }
  key.Close();
}

void Hyperlink::CreateFonts() {
  if (flags & kWindowFont) {
    HFONT own = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (!own) own = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA description;
    if (!GetObjectA(own, sizeof(description), &description)) return;
    plainFont = CreateFontIndirectA(&description);
    description.lfUnderline = 1;
    underlinedFont = CreateFontIndirectA(&description);
    return;
  }
  // The dialog's own face, should none of the link's faces exist.
  LOGFONTA dialogFont;
  HGDIOBJ parentFont = reinterpret_cast<HGDIOBJ>(SendMessageA(GetParent(window), WM_GETFONT, 0, 0));
  if (!parentFont) parentFont = GetStockObject(DEFAULT_GUI_FONT);
  if (!GetObjectA(parentFont, sizeof(dialogFont), &dialogFont)) dialogFont.lfFaceName[0] = '\0';
  char face[LF_FACESIZE];
  ChooseLinkFace((flags & kInternationalFace) != 0, dialogFont.lfFaceName, face);
  LinkFit fit;
  fit.dc = GetDC(window);
  if (!fit.dc) return;
  const int saved = SaveDC(fit.dc);
  memset(&fit.metrics, 0, sizeof(fit.metrics));
  GetTextMetricsA(fit.dc, &fit.metrics);
  fit.face = face;
  fit.text = displayText.Buffer();
  GetClientRect(window, &fit.client);
  const int start = (flags & kStartAtClientHeight) ? fit.client.bottom : fit.metrics.tmHeight;
  underlinedFont = FitFont(fit.dc, start, &MakeUnderlined, &JudgeLink, &fit);
  LOGFONTA chosen;
  if (underlinedFont && GetObjectA(underlinedFont, sizeof(chosen), &chosen)) {
    plainFont = CreateFontA(chosen.lfHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, fit.metrics.tmPitchAndFamily, face);
  }
  RestoreDC(fit.dc, saved);
  ReleaseDC(window, fit.dc);
}

void Hyperlink::SetText(const char* text) {
  caption = text ? text : "";
  if (!(flags & kMasked)) {
    displayText = caption;
    return;
  }
  LOGFONTA description;
  char mask = '*';
  if (plainFont && GetObjectA(plainFont, sizeof(description), &description) &&
      lstrcmpiA(description.lfFaceName, "Verdana") == 0)
    mask = static_cast<char>(149);
  displayText = "";
  for (int i = 0; i < caption.Length(); ++i) displayText += mask;
}

void Hyperlink::Measure() { textExtent = MeasureText(window, underlinedFont, displayText.Buffer()); }

void Hyperlink::Invalidate(int refreshBackground) {
  InvalidateControl(window, (flags & kTransparent) != 0, refreshBackground);
}

void Hyperlink::ShowHoverCursor() {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  ShowCursorOrHand(module, cursorId);
}

void Hyperlink::Activate(ActivationKind kind) {
  if (kind == ActivationKind::kButtonDown) return;
  if (flags & kNotifyParent) {
    SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), 0),
                 reinterpret_cast<LPARAM>(window));
    return;
  }
  if (!target[0]) return;
  SHELLEXECUTEINFOA request;
  memset(&request, 0, sizeof(request));
  request.cbSize = sizeof(request);
  request.lpFile = target;
  request.nShow = SW_SHOW;
  ShellExecuteExA(&request);
}

int Hyperlink::Handle(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                      void* owner) {
  return static_cast<Hyperlink*>(owner)->HandleMessage(message, wParam, lParam, result);
}

int Hyperlink::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  if (RoutePaintMessage(window, message, wParam, [this](HDC dc) { Paint(dc); })) return 1;
  if (TrackFocus(window, message, &flags, kFocused, kTransparent)) return 1;
  switch (message) {
    case WM_ENABLE:
      if (wParam) {
        flags &= ~kDisabled;
        if (!(flags & kHovering) && CursorOverText(window, textFormat, textExtent, 0)) {
          flags |= kHovering;
          ShowHoverCursor();
        }
      } else {
        flags |= kDisabled;
      }
      Invalidate(0);
      return 1;
    case WM_SETTEXT:
      SetText(reinterpret_cast<const char*>(lParam));
      Measure();
      Invalidate(1);
      *result = TRUE;
      return 1;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      return AnswerTextQuery(message, wParam, lParam, caption.Buffer(), caption.Length(), result);
    case WM_CANCELMODE:
    case WM_MOUSELEAVE:
      flags &= ~kHovering;
      Invalidate(0);
      return 1;
    case WM_SETCURSOR:
      if (flags & kHovering)
        ShowHoverCursor();
      else
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      return 1;
    case WM_KEYUP:
      if (wParam == VK_RETURN) Activate(ActivationKind::kEnter);
      if (wParam == VK_SPACE) Activate(ActivationKind::kSpace);
      return 1;
    case WM_MOUSEMOVE: {
      const int over = CursorOverText(window, textFormat, textExtent, 0);
      if (!(flags & kHovering) && over) {
        flags |= kHovering;
        leaveTracker.Start(window);
        Invalidate(0);
        ShowHoverCursor();
      } else if ((flags & kHovering) && !over) {
        flags &= ~kHovering;
        Invalidate(0);
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      }
      return 1;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (flags & kHovering) Activate(ActivationKind::kButtonDown);
      return 1;
    case WM_LBUTTONUP:
      if (flags & kHovering) Activate(ActivationKind::kButtonUp);
      return 1;
    default:
      return 0;
  }
}

void Hyperlink::Paint(HDC dc) {
  const int saved = SaveDC(dc);
  RECT client;
  GetClientRect(window, &client);
  const int hovering = (flags & kHovering) != 0;
  SelectObject(dc, DrawsUnderlined(underlineMode, hovering) ? underlinedFont : plainFont);
  SetBkMode(dc, TRANSPARENT);
  if (!(flags & kTransparent)) {
    HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(
        GetParent(window), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
        reinterpret_cast<LPARAM>(window)));
    if (!brush) brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(dc, &client, brush);
  }
  if ((flags & kThemedParentBackground) && theme.IsPartiallyTransparent(1, 1))
    theme.DrawParentBackground(dc, &client);
  COLORREF colour = linkColour;
  if (flags & kDisabled)
    colour = disabledColour;
  else if ((flags & kUseHoverColour) && hovering)
    colour = hoverColour;
  SetTextColor(dc, colour);
  DrawTextA(dc, displayText.Buffer(), displayText.Length(), &client, textFormat);
  if (!(flags & kDisabled) && (flags & kFocused) && !(flags & kNoFocusRect)) {
    RECT band = TextBandRect(textFormat, client, textExtent, 1, 0);
    DrawFocusRect(dc, &band);
  }
  RestoreDC(dc, saved);
}
