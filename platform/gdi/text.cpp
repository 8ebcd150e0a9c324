// Text: the DC's text state, CreateFontIndirectW, ExtTextOutW, extents and
// metrics, and DrawTextW's lines, word breaks, prefixes and alignment.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/utf.h"
#include "device/events.h"
#include "gdi/font.h"
#include "gdi/gdi_state.h"

namespace platform::gdi {
namespace {

// The realised face of the DC's font; the stock font is realised on first use.
const FontFace *DCFace(const DeviceContext &dc) {
  Object *font = FindObject(dc.font, OBJ_FONT);
  if (font == nullptr) {
    return nullptr;
  }
  if (!font->face) {
    font->face = RealiseFont(font->logFont);
  }
  return font->face.get();
}

std::uint32_t Blend(std::uint32_t d, std::uint32_t f, std::uint32_t c, int shift) {
  const std::uint32_t dc = (d >> shift) & 0xFF;
  const std::uint32_t fc = (f >> shift) & 0xFF;
  return ((dc * (255 - c) + fc * c + 127) / 255) << shift;
}

// Draws one glyph with its origin at surface point (penX, baseline), inside `clip`.
void DrawGlyph(Surface &surface, const RECT &clip, int penX, int baseline, const Glyph &g,
               GlyphMode mode, std::uint32_t colour) {
  const int x0 = penX + g.left;
  const int y0 = baseline - g.top;
  const int left = std::max<int>(x0, clip.left);
  const int right = std::min<int>(x0 + g.width, clip.right);
  const int top = std::max<int>(y0, clip.top);
  const int bottom = std::min<int>(y0 + g.height, clip.bottom);
  if (g.solid) {
    // No blending: each run of covered pixels is a fill.
    for (const Glyph::Span &span : g.spans) {
      const int y = y0 + span.row;
      const int from = std::max(x0 + span.from, left);
      const int to = std::min(x0 + span.to, right);
      if (y >= top && y < bottom && from < to) {
        std::fill(surface.Row(y) + from, surface.Row(y) + to, colour);
      }
    }
    return;
  }
  const int channels = mode == GlyphMode::SubpixelRgb ? 3 : 1;
  for (int y = top; y < bottom; ++y) {
    const std::uint8_t *cov =
        g.coverage.data() + (static_cast<std::size_t>(y - y0) * g.width + (left - x0)) * channels;
    std::uint32_t *d = surface.Row(y) + left;
    for (int x = 0; x < right - left; ++x, cov += channels) {
      if (channels == 3) {
        d[x] = Blend(d[x], colour, cov[0], 16) | Blend(d[x], colour, cov[1], 8) |
               Blend(d[x], colour, cov[2], 0);
      } else if (cov[0] == 255) {
        d[x] = colour;
      } else if (cov[0] != 0) {
        d[x] = Blend(d[x], colour, cov[0], 16) | Blend(d[x], colour, cov[0], 8) |
               Blend(d[x], colour, cov[0], 0);
      }
    }
  }
}

RECT Intersect(const RECT &a, const RECT &b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

// Where the pen stands for each character of a run, from the run's start, and where
// the run ends: the face's advances.
std::vector<long> PenPositions(const FontFace &face, const std::u32string &text) {
  std::vector<long> at(text.size() + 1, 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    at[i + 1] = at[i] + face.Advance(text[i]);
  }
  return at;
}

long RunWidth(const FontFace &face, const std::u32string &text) {
  return PenPositions(face, text).back();
}

// The LOGFONT quality that draws glyphs in `mode`.
BYTE QualityOf(GlyphMode mode) {
  switch (mode) {
  case GlyphMode::Aliased:
    return NONANTIALIASED_QUALITY;
  case GlyphMode::Grey:
    return ANTIALIASED_QUALITY;
  case GlyphMode::SubpixelRgb:
    return CLEARTYPE_QUALITY;
  }
  return NONANTIALIASED_QUALITY;
}

// Tells the listeners where a run's glyphs go.
void AnnouncePlaces(const FontFace &face, const std::u32string &text, const std::vector<long> &at) {
  TextEvent event;
  event.faceFile = face.file;
  event.faceIndex = face.index;
  event.pixelsPerEm = face.pixelsPerEm;
  event.quality = QualityOf(face.mode);
  event.emboldened = face.emboldened;
  event.text = text;
  event.pens = at;
  AnnounceText(event);
}

struct Run {
  int x = 0; // DC coordinates of the cell's top-left corner
  int y = 0;
  int underlineFrom = -1; // a character to underline (DrawTextW's prefix), or -1
};

// Draws a run of text with its cell's top-left corner at (run.x, run.y); `at` holds
// its pen positions (PenPositions).
void DrawRun(DeviceContext &dc, const View &view, const FontFace &face, const std::u32string &text,
             const std::vector<long> &at, const Run &run) {
  const TEXTMETRICW &tm = face.metrics;
  AnnouncePlaces(face, text, at);
  const long width = at.back();
  const RECT clip = view.clip;
  if (dc.bkMode == OPAQUE) {
    // An opaque background paints the text's cell; ETO_OPAQUE alone paints no box.
    FillView(view, RECT{run.x, run.y, static_cast<LONG>(run.x + width), run.y + tm.tmHeight},
             PixelOf(dc.bkColor));
  }
  if (clip.right <= clip.left || clip.bottom <= clip.top) {
    return;
  }
  const std::uint32_t colour = PixelOf(dc.textColor);
  const int baseline = run.y + view.originY + tm.tmAscent;
  const long start = run.x + view.originX;
  const auto line = [&](long from, long to, int y, int thickness) {
    View lined = view;
    lined.clip = clip;
    FillView(lined,
             RECT{static_cast<LONG>(from - view.originX), y - view.originY,
                  static_cast<LONG>(to - view.originX), y - view.originY + thickness},
             colour);
  };
  const int thickness = std::max(1, face.pixelsPerEm / 14);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const long glyphPen = start + at[i];
    if (glyphPen > -0x10000 && glyphPen < 0x10000) {
      DrawGlyph(*view.surface, clip, static_cast<int>(glyphPen), baseline, face.GlyphOf(text[i]),
                face.mode, colour);
    }
    if (static_cast<int>(i) == run.underlineFrom) {
      line(glyphPen, start + at[i + 1], baseline + 1, thickness);
    }
  }
  if (face.underline) {
    line(start, start + width, baseline + 1, thickness);
  }
  if (face.strikeOut) {
    line(start, start + width, baseline - tm.tmAscent / 3, thickness);
  }
}

// ---- DrawTextW ----

struct Line {
  std::u32string text;
  int underline = -1; // index of the prefixed character
};

// Removes the & prefixes: "&x" underlines x, "&&" is one ampersand.
std::u32string StripPrefixes(const std::u32string &text, std::vector<int> *underlined) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == U'&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != U'&') {
        underlined->push_back(static_cast<int>(out.size()));
      }
    } else if (text[i] == U'&') {
      continue; // a trailing ampersand shows nothing
    }
    out.push_back(text[i]);
  }
  return out;
}

bool IsBreak(char32_t c) { return c == U'\n' || c == U'\r'; }

// Splits text into lines at line breaks and, with word breaking, between words
// where the next word would pass `width`. A word wider than the line stays whole.
std::vector<Line> BreakLines(const FontFace &face, const std::u32string &text,
                             const std::vector<int> &underlined, UINT format, long width) {
  std::vector<Line> lines;
  const bool single = (format & DT_SINGLELINE) != 0;
  const bool wrap = (format & DT_WORDBREAK) != 0 && !single;
  std::size_t start = 0;
  const auto emit = [&](std::size_t from, std::size_t to) {
    Line line;
    for (std::size_t i = from; i < to; ++i) {
      line.text.push_back(single && IsBreak(text[i]) ? U' ' : text[i]);
      if (std::find(underlined.begin(), underlined.end(), static_cast<int>(i)) !=
          underlined.end()) {
        line.underline = static_cast<int>(i - from);
      }
    }
    lines.push_back(std::move(line));
  };
  while (start <= text.size()) {
    std::size_t end = start;
    while (end < text.size() && (single || !IsBreak(text[end]))) {
      ++end;
    }
    // [start, end) is one paragraph.
    if (!wrap) {
      emit(start, end);
    } else {
      std::size_t lineStart = start;
      while (true) {
        std::size_t fit = lineStart; // end of the last word that fits
        std::size_t at = lineStart;
        long used = 0;
        while (at < end) {
          std::size_t wordEnd = at;
          while (wordEnd < end && text[wordEnd] == U' ') {
            ++wordEnd;
          }
          while (wordEnd < end && text[wordEnd] != U' ') {
            ++wordEnd;
          }
          long w = 0;
          for (std::size_t i = at; i < wordEnd; ++i) {
            w += face.Advance(text[i]);
          }
          if (used + w > width && fit > lineStart) {
            break;
          }
          used += w;
          at = wordEnd;
          fit = wordEnd;
        }
        emit(lineStart, fit);
        lineStart = fit;
        while (lineStart < end && text[lineStart] == U' ') {
          ++lineStart; // spaces at a break vanish
        }
        if (lineStart >= end) {
          break;
        }
      }
    }
    if (end >= text.size()) {
      break;
    }
    // "\r\n" is one break.
    start = end + (text[end] == U'\r' && end + 1 < text.size() && text[end + 1] == U'\n' ? 2 : 1);
  }
  return lines;
}

} // namespace
} // namespace platform::gdi

using platform::gdi::DeviceContext;
using platform::gdi::FindDC;
using platform::gdi::FontFace;
using platform::gdi::View;

namespace {

template <class T> T Swap(HDC hdc, T DeviceContext::*field, T value, T failed) {
  DeviceContext *dc = FindDC(hdc);
  if (dc == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return failed;
  }
  const T previous = dc->*field;
  dc->*field = value;
  return previous;
}

} // namespace

int WINAPI SetBkMode(HDC hdc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Swap(hdc, &DeviceContext::bkMode, mode, 0);
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
  return Swap(hdc, &DeviceContext::bkColor, color & 0x00FFFFFF, CLR_INVALID);
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  return Swap(hdc, &DeviceContext::textColor, color & 0x00FFFFFF, CLR_INVALID);
}

HFONT WINAPI CreateFontIndirectW(const LOGFONTW *lplf) {
  if (lplf == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  LOGFONTW lf = *lplf;
  lf.lfFaceName[LF_FACESIZE - 1] = 0; // a name that fills the array is cut, not overrun
  return platform::gdi::AddFont(lf, platform::gdi::RealiseFont(lf));
}

// Draws with the cell's top-left corner at (x, y). A rectangle, the caller's own
// spacing and every option but ETO_OPAQUE (which alone paints nothing) are refused:
// the device's callers use none of them.
BOOL WINAPI ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT *lprect, LPCWSTR lpString,
                        UINT c, const int *lpDx) {
  DeviceContext *dc = FindDC(hdc);
  View view;
  const FontFace *face = dc != nullptr ? platform::gdi::DCFace(*dc) : nullptr;
  if (face == nullptr || !platform::gdi::DestinationView(hdc, &view) ||
      (lpString == nullptr && c > 0) || (options & ~UINT{ETO_OPAQUE}) != 0 || lprect != nullptr ||
      lpDx != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::u32string text = platform::CodePoints(std::u16string_view(lpString, c));
  const std::vector<long> at = platform::gdi::PenPositions(*face, text);
  platform::gdi::Run run;
  run.x = x;
  run.y = y;
  platform::gdi::DrawRun(*dc, view, *face, text, at, run);
  return TRUE;
}

BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl) {
  const DeviceContext *dc = FindDC(hdc);
  const FontFace *face = dc != nullptr ? platform::gdi::DCFace(*dc) : nullptr;
  if (face == nullptr || psizl == nullptr || c < 0 || (lpString == nullptr && c > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::u32string text =
      platform::CodePoints(std::u16string_view(lpString, static_cast<std::size_t>(c)));
  psizl->cx = static_cast<LONG>(platform::gdi::RunWidth(*face, text));
  psizl->cy = face->metrics.tmHeight;
  return TRUE;
}

BOOL WINAPI GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm) {
  const DeviceContext *dc = FindDC(hdc);
  const FontFace *face = dc != nullptr ? platform::gdi::DCFace(*dc) : nullptr;
  if (face == nullptr || lptm == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lptm = face->metrics;
  return TRUE;
}

int WINAPI DrawTextW(HDC hDC, LPCWSTR lpString, int nCount, LPRECT lpRect, UINT uFormat) {
  DeviceContext *dc = FindDC(hDC);
  View view;
  const FontFace *face = dc != nullptr ? platform::gdi::DCFace(*dc) : nullptr;
  if (face == nullptr || lpRect == nullptr || !platform::gdi::DestinationView(hDC, &view) ||
      (lpString == nullptr && nCount != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length =
      nCount < 0 ? static_cast<std::size_t>(lstrlenW(lpString)) : static_cast<std::size_t>(nCount);
  std::u32string text = platform::CodePoints(std::u16string_view(lpString, length));
  std::vector<int> underlined;
  if ((uFormat & DT_NOPREFIX) == 0) {
    text = platform::gdi::StripPrefixes(text, &underlined);
  }
  if (text.empty()) {
    if ((uFormat & DT_CALCRECT) != 0) {
      lpRect->right = lpRect->left;
      lpRect->bottom = lpRect->top;
    }
    return 0;
  }
  const RECT box = *lpRect;
  const std::vector<platform::gdi::Line> lines = platform::gdi::BreakLines(
      *face, text, underlined, uFormat, std::max<long>(0, long{box.right} - box.left));
  const int lineHeight = face->metrics.tmHeight;
  const int textHeight = lineHeight * static_cast<int>(lines.size());
  long widest = 0;
  for (const auto &line : lines) {
    widest = std::max(widest, platform::gdi::RunWidth(*face, line.text));
  }
  if ((uFormat & DT_CALCRECT) != 0) {
    lpRect->right = static_cast<LONG>(box.left + widest);
    lpRect->bottom = box.top + textHeight;
    return textHeight;
  }
  int top = box.top;
  if ((uFormat & DT_SINGLELINE) != 0 && (uFormat & DT_VCENTER) != 0) {
    top = box.top + (box.bottom - box.top - textHeight) / 2;
  } else if ((uFormat & DT_SINGLELINE) != 0 && (uFormat & DT_BOTTOM) != 0) {
    top = box.bottom - textHeight;
  }
  // Text is clipped to the rectangle unless DT_NOCLIP.
  View clipped = view;
  if ((uFormat & DT_NOCLIP) == 0) {
    clipped.clip = platform::gdi::Intersect(
        view.clip, RECT{box.left + view.originX, box.top + view.originY, box.right + view.originX,
                        box.bottom + view.originY});
    clipped.clip.right = std::max(clipped.clip.right, clipped.clip.left);
    clipped.clip.bottom = std::max(clipped.clip.bottom, clipped.clip.top);
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::vector<long> at = platform::gdi::PenPositions(*face, lines[i].text);
    const long width = at.back();
    long x = box.left;
    if ((uFormat & DT_CENTER) != 0) {
      x = box.left + (long{box.right} - box.left - width) / 2;
    } else if ((uFormat & DT_RIGHT) != 0) {
      x = box.right - width;
    }
    platform::gdi::Run run;
    run.x = static_cast<int>(x);
    run.y = top + lineHeight * static_cast<int>(i);
    run.underlineFrom = lines[i].underline;
    platform::gdi::DrawRun(*dc, clipped, *face, lines[i].text, at, run);
  }
  return top - box.top + textHeight;
}
