// Dialog units: the dialog font at the screen's dpi, its base units, the conversion
// to pixels, MapDialogRect and GetDialogBaseUnits.
#include <algorithm>

#include "device/device.h"
#include "user/dialog.h"

namespace platform {
namespace {

// The system font that a template without DS_SETFONT gets: the system face at 8 points.
constexpr WORD kSystemPointSize = 8;

HFONT CreateFontAt(WORD pointSize, const std::u16string &face, int weight, bool italic,
                   BYTE charset) {
  LOGFONTW lf{};
  // Points to pixels at the screen's dpi, rounded: 8 points is 11 pixels at 96 dpi.
  lf.lfHeight = -((pointSize * CurrentDevice().Dpi() + 36) / 72);
  lf.lfWeight = weight == 0 ? FW_NORMAL : weight;
  lf.lfItalic = italic ? TRUE : FALSE;
  lf.lfCharSet = charset;
  lf.lfQuality = SystemTextQuality();
  const std::size_t n = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
  std::copy_n(face.data(), n, lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

} // namespace

HFONT CreateDialogFont(const DialogTemplate &t) {
  if (!t.hasFont) {
    return CreateFontAt(kSystemPointSize, kSystemFace, FW_NORMAL, false, DEFAULT_CHARSET);
  }
  // A point size of 0 asks for the system font's size; beyond 72 points no dialog
  // text fits the screen, and a hostile template would only make glyphs of megabytes.
  const WORD points = t.pointSize == 0 ? kSystemPointSize : std::min<WORD>(t.pointSize, 72);
  return CreateFontAt(points, t.face.empty() ? kSystemFace : t.face, t.weight, t.italic, t.charset);
}

SIZE MeasureBaseUnits(HFONT font) {
  static constexpr char16_t kLetters[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE base{4, 8}; // what a font that cannot be measured gets: one pixel per unit
  const HDC dc = GetDC(nullptr);
  if (dc == nullptr) {
    return base;
  }
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE extent{};
  TEXTMETRICW metrics{};
  if (GetTextExtentPoint32W(dc, kLetters, 52, &extent) != FALSE &&
      GetTextMetricsW(dc, &metrics) != FALSE && extent.cx > 0 && metrics.tmHeight > 0) {
    // The average letter width, rounded half up, as the system computes it.
    base = SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return base;
}

LONG DialogUnitsToPixelsX(LONG du, SIZE base) {
  return static_cast<LONG>((static_cast<long long>(du) * base.cx + (du < 0 ? -2 : 2)) / 4);
}

LONG DialogUnitsToPixelsY(LONG du, SIZE base) {
  return static_cast<LONG>((static_cast<long long>(du) * base.cy + (du < 0 ? -4 : 4)) / 8);
}

} // namespace platform

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
  const platform::DialogInfo *dialog = platform::FindDialog(hDlg);
  if (dialog == nullptr || lpRect == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const SIZE base = dialog->baseUnits;
  *lpRect = RECT{platform::DialogUnitsToPixelsX(lpRect->left, base),
                 platform::DialogUnitsToPixelsY(lpRect->top, base),
                 platform::DialogUnitsToPixelsX(lpRect->right, base),
                 platform::DialogUnitsToPixelsY(lpRect->bottom, base)};
  return TRUE;
}

LONG WINAPI GetDialogBaseUnits() {
  const HFONT font = platform::CreateDialogFont(platform::DialogTemplate{});
  const SIZE base = platform::MeasureBaseUnits(font);
  DeleteObject(font);
  return MAKELONG(base.cx, base.cy);
}
