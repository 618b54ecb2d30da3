#include "ui/styled_label.h"

#include <string.h>

#include "ui/dialog_font.h"
#include "ui/drawn_text.h"

namespace {

int PlatformFaceExists(const char* face, void*) {
  return FontExists(face, DEFAULT_CHARSET, nullptr);
}

struct LabelFit {
  int weight;
  DWORD flags;
  const char* face;
  const char* text;
  UINT format;
  RECT client;
  RECT available;
  int measure;  // 0: a stored height is used as it is
};

HFONT MakeLabelFont(int height, void* context) {
  LabelFit* fit = static_cast<LabelFit*>(context);
  return CreateFontA(height, 0, 0, 0, fit->weight, (fit->flags & StyledLabel::kItalic) != 0,
                     (fit->flags & StyledLabel::kUnderlined) != 0, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                     fit->face);
}

int JudgeLabel(HDC dc, void* context) {
  LabelFit* fit = static_cast<LabelFit*>(context);
  if (!fit->measure) return 1;
  RECT measured = fit->client;
  if (!DrawTextA(dc, fit->text, lstrlenA(fit->text), &measured, fit->format | DT_CALCRECT))
    return -1;
  const int fitsWidth =
      measured.right - measured.left < fit->available.right - fit->available.left;
  const int fitsHeight =
      measured.bottom - measured.top < fit->available.bottom - fit->available.top;
  return fitsWidth && fitsHeight ? 1 : 0;
}

}  // namespace

int ResolveFace(const char* list, FaceProbe probe, void* context, TextString* face) {
  TextString faces;
  faces = list ? list : "Segoe UI;Verdana";
  for (char* token = faces.Tokenize(1, ",;"); token; token = faces.Tokenize(0, ",;")) {
    if (probe(token, context)) return face->Assign(token);
  }
  return face->Assign("Verdana");
}

StyledLabel::StyledLabel()
    : font(nullptr),
      textColour(0xFF0000),
      hoverColour(0xFF80FF),
      frameColour(kFrameColour),
      disabledColour(GetSysColor(COLOR_GRAYTEXT)),
      textFormat(0),
      flags(0),
      callback(nullptr),
      userData(0),
      cursorId(0),
      height(0),
      textExtent(),
      window(nullptr) {}

StyledLabel::~StyledLabel() { Release(); }

void StyledLabel::Release() {
  hook.Detach();
  if (font) DeleteObject(font);
  font = nullptr;
  lock.Delete();
}

void StyledLabel::SetFace(const char* faces, int refresh) {
  ResolveFace(faces, &PlatformFaceExists, nullptr, &face);
  if (refresh) Invalidate(0);
}

void StyledLabel::Setup(HWND target, const Settings& settings) {
  Release();
  height = settings.height;
  textColour = settings.textColour;
  hoverColour = settings.hoverColour;
  flags = settings.options & ~static_cast<DWORD>(kHovering);
  callback = settings.callback;
  window = target;
  userData = settings.userData;
  cursorId = settings.cursorId;
  lock.Init();
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if (!(style & WS_TABSTOP)) flags |= kNoTabStop;
  SetFace(settings.faces, 0);

  const int length = GetWindowTextLengthA(window);
  text.SetCapacity(length + 1);
  if (text.Buffer()) {
    GetWindowTextA(window, text.Buffer(), length + 1);
    text.Recount();
  }
  SetWindowTextA(window, "");

  if (!(flags & kIgnoreTransparent) && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
    flags |= kTransparent;
  if (flags & kInteractive) SetWindowLongA(window, GWL_STYLE, style | SS_NOTIFY);

  textFormat = (flags & kWordWrap) ? DT_WORDBREAK : DT_SINGLELINE;
  if (flags & kEndEllipsis) textFormat |= DT_END_ELLIPSIS;
  if ((style & SS_TYPEMASK) == SS_CENTER) textFormat |= DT_CENTER;
  if ((style & SS_TYPEMASK) == SS_RIGHT) textFormat |= DT_RIGHT;
  if (style & SS_CENTERIMAGE) textFormat |= DT_VCENTER;
  if (style & SS_NOPREFIX) textFormat |= DT_NOPREFIX;
  if (flags & kVerticalCentre) textFormat |= DT_VCENTER;

  CreateLabelFont();
  hook.Attach(window, &Handle, this);
  Invalidate(1);
}

void StyledLabel::CreateLabelFont() {
  if (font) DeleteObject(font);
  font = nullptr;
  if (flags & kWindowFont) {
    HFONT own = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (!own) own = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA description;
    if (GetObjectA(own, sizeof(description), &description))
      font = CreateFontIndirectA(&description);
  } else if (HDC dc = GetDC(window)) {
    const int saved = SaveDC(dc);
    LabelFit fit;
    fit.weight = (flags & kBold) ? FW_BOLD : FW_NORMAL;
    fit.flags = flags;
    fit.face = face.Buffer();
    fit.text = text.Buffer();
    fit.format = textFormat;
    GetClientRect(window, &fit.client);
    fit.available = fit.client;
    if (flags & kFrameBits) InflateRect(&fit.available, -3, -3);
    fit.measure = height == 0 || (flags & kAlwaysFit);
    int start = height;
    if (fit.measure && height == 0) start = fit.available.bottom - fit.available.top;
    font = FitFont(dc, start, &MakeLabelFont, &JudgeLabel, &fit);
    RestoreDC(dc, saved);
    ReleaseDC(window, dc);
  }
  Measure();
}

void StyledLabel::Measure() { textExtent = MeasureText(window, font, text.Buffer()); }

void StyledLabel::SetText(const char* newText) {
  lock.Enter();
  text = newText ? newText : "";
  if (flags & kRefitOnSetText) {
    height = 0;
    CreateLabelFont();
  } else {
    Measure();
  }
  lock.Leave();
  Invalidate(1);
}

void StyledLabel::CopyText(TextString* out) {
  lock.Enter();
  out->Assign(text);
  lock.Leave();
}

void StyledLabel::Invalidate(int refreshBackground) {
  InvalidateControl(window, (flags & kTransparent) != 0, refreshBackground);
}

void StyledLabel::Notify(ActivationKind kind) {
  if (callback) callback(kind, 0, userData, this);
}

void StyledLabel::SetHoverCursor(int hovering) {
  if (!cursorId) return;
  if (!hovering) {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    return;
  }
  HINSTANCE module = (flags & kSystemCursor)
                         ? nullptr
                         : reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  ShowCursorOrHand(module, cursorId);
}

int StyledLabel::Handle(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                        void* owner) {
  return static_cast<StyledLabel*>(owner)->HandleMessage(message, wParam, lParam, result);
}

int StyledLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  HWND parent = GetParent(window);
  const WPARAM command = MAKEWPARAM(GetDlgCtrlID(window), 0);
  if (RoutePaintMessage(window, message, wParam, [this](HDC dc) { Paint(dc); })) return 1;
  if (TrackFocus(window, message, &flags, kFocused, kTransparent)) return 1;
  switch (message) {
    case WM_ENABLE:
      if (wParam)
        flags &= ~kDisabled;
      else
        flags |= kDisabled;
      Invalidate(0);
      return 1;
    case WM_SETTEXT:
      SetText(reinterpret_cast<const char*>(lParam));
      *result = TRUE;
      return 1;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      lock.Enter();
      const int answered =
          AnswerTextQuery(message, wParam, lParam, text.Buffer(), text.Length(), result);
      lock.Leave();
      return answered;
    }
    case WM_CANCELMODE:
      flags &= ~kHovering;
      Invalidate(1);
      return 1;
    case WM_SETCURSOR:
      SetHoverCursor(cursorId && (flags & kHovering));
      if (!cursorId) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      return 1;
    case WM_NCHITTEST:
      *result = HTCLIENT;
      return 1;
    case WM_GETDLGCODE: {
      if (flags & kNoTabStop) return 0;
      *result = DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      const MSG* pending = reinterpret_cast<const MSG*>(lParam);
      if (pending && pending->message == WM_KEYDOWN &&
          (pending->wParam == VK_RETURN || pending->wParam == VK_SPACE))
        *result |= DLGC_WANTALLKEYS;
      return 1;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_SPACE) {
        Notify(wParam == VK_RETURN ? ActivationKind::kEnter : ActivationKind::kSpace);
        if (flags & kNotifyParent)
          SendMessageA(parent, WM_COMMAND, command, reinterpret_cast<LPARAM>(window));
      }
      return 1;
    case WM_MOUSEMOVE: {
      if (!(flags & kInteractive)) return 0;
      const int over = CursorOverText(window, textFormat, textExtent, (flags & kWholeClient) != 0);
      if (!(flags & kHovering) && over) {
        flags |= kHovering;
        leaveTracker.Start(window);
        if (GetKeyState(VK_LBUTTON) < 0) flags |= kPressed;
        Invalidate(1);
        SetHoverCursor(1);
      } else if ((flags & kHovering) && !over) {
        flags &= ~kHovering;
        Invalidate(1);
        SetHoverCursor(0);
      }
      return 1;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      flags |= kPressed;
      Notify(ActivationKind::kButtonDown);
      Invalidate(1);
      return 1;
    case WM_LBUTTONUP:
      flags &= ~kPressed;
      if (flags & kHovering) {
        Notify(ActivationKind::kButtonUp);
        if (flags & kNotifyParent)
          SendMessageA(parent, WM_COMMAND, command, reinterpret_cast<LPARAM>(window));
      }
      Invalidate(1);
      return 1;
    case WM_MOUSELEAVE:
      if (!(flags & kInteractive)) return 0;
      flags &= ~(kHovering | kPressed);
      Invalidate(1);
      return 1;
    default:
      return 0;
  }
}

void StyledLabel::Paint(HDC dc) {
  const int saved = SaveDC(dc);
  lock.Enter();
  RECT client;
  GetClientRect(window, &client);
  if (font) SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  if (!(flags & kTransparent)) {
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    if (!(flags & kWhiteBackground)) {
      HBRUSH asked = reinterpret_cast<HBRUSH>(SendMessageA(
          GetParent(window), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
          reinterpret_cast<LPARAM>(window)));
      if (asked) brush = asked;
    }
    FillRect(dc, &client, brush);
  }
  if (flags & kDisabled)
    SetTextColor(dc, disabledColour);
  else if ((flags & (kInteractive | kHovering)) == (kInteractive | kHovering))
    SetTextColor(dc, hoverColour);
  else if (!(flags & kKeepTextColour))
    SetTextColor(dc, textColour);
  RECT rect = client;
  if (flags & kFrameBits) InflateRect(&rect, -3, -3);
  DrawTextA(dc, text.Buffer(), text.Length(), &rect, textFormat);
  if (flags & kFrameBits) {
    HBRUSH frame = CreateSolidBrush(frameColour);
    if (flags & kFrame) FrameRect(dc, &client, frame);
    if (flags & kDoubleFrame) {
      for (int inset = 1; inset <= 2; ++inset) {
        RECT inner = client;
        InflateRect(&inner, -inset, -inset);
        FrameRect(dc, &inner, frame);
      }
    }
    DeleteObject(frame);
    const struct {
      DWORD bit;
      UINT edge;
    } kEdges[] = {{kEdgeBump, EDGE_BUMP},
                  {kEdgeEtched, EDGE_ETCHED},
                  {kEdgeRaised, EDGE_RAISED},
                  {kEdgeSunken, EDGE_SUNKEN}};
    for (const auto& edge : kEdges) {
      RECT full = client;
      if (flags & edge.bit) DrawEdge(dc, &full, edge.edge, BF_RECT);
    }
  }
  if ((flags & kFocused) && !(flags & kNoTabStop)) {
    RECT band = TextBandRect(textFormat, client, textExtent, 0, 1);
    if (flags & kWholeClient) band = client;
    DrawFocusRect(dc, &band);
  }
  lock.Leave();
  RestoreDC(dc, saved);
}
