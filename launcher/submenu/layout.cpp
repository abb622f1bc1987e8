#include "submenu/layout.h"

#include "submenu/records.h"

SmGrid ComputeSubMenuGrid(const SmGridInput& in) {
  const SmMetrics& m = in.M;
  SmGrid g = {};
  int count = in.Count > 0 ? in.Count : 1;
  g.ItemHeight = in.ItemHeight > 0 ? in.ItemHeight : 1;
  g.ItemWidth = in.ItemWidth > 0 ? in.ItemWidth : 1;
  int availH = in.Work.bottom - in.Work.top + 1 + m.Shadow.top + m.Shadow.bottom - m.Frame.top - m.Frame.bottom;
  if (availH < 1) availH = 1;
  if (g.ItemHeight > availH) g.ItemHeight = availH;
  int rows = availH / g.ItemHeight;
  if (in.OptColumns == 1 && rows < count) rows = (availH - 2 * (m.ScrollGap + m.ScrollHeight)) / g.ItemHeight;
  if (in.OptRows && in.OptRows < rows) rows = in.OptRows;
  if (rows > count) rows = count;
  if (rows < 1) rows = 1;
  if (in.OptItemWidth && in.OptItemWidth < g.ItemWidth) g.ItemWidth = in.OptItemWidth;
  int availW = in.Work.right - in.Work.left + 1 + m.Shadow.left + m.Shadow.right - m.Frame.left - m.Frame.right;
  if (availW < 1) availW = 1;
  if (g.ItemWidth > availW) g.ItemWidth = availW;
  int columns = 1;
  if (in.OptColumns > 1) {
    int fit = availW / g.ItemWidth;
    if (rows * fit < count) fit = (availW - 2 * (m.ScrollGap + m.ScrollWidth)) / g.ItemWidth;
    int needed = (count + rows - 1) / rows;
    columns = in.OptColumns;
    if (fit < columns) columns = fit;
    if (needed < columns) columns = needed;
    if (columns < 1) columns = 1;
  }
  g.Rows = rows;
  g.Columns = columns;
  if (rows * columns < in.Count) {
    RECT& a = g.Scroll[0];
    RECT& b = g.Scroll[1];
    if (columns > 1) {
      g.ScrollBits = SMS_HSCROLL;
      a = RECT{m.Frame.left, m.Frame.top, m.Frame.left + m.ScrollWidth - 1, m.Frame.top + rows * g.ItemHeight - 1};
      b = a;
      b.left = a.right + columns * g.ItemWidth + 2 * m.ScrollGap + 1;
      b.right = b.left + m.ScrollWidth - 1;
    } else {
      g.ScrollBits = SMS_VSCROLL;
      a = RECT{m.Frame.left, m.Frame.top, m.Frame.left + columns * g.ItemWidth - 1, m.Frame.top + m.ScrollHeight - 1};
      b = a;
      b.top = a.bottom + 2 * m.ScrollGap + rows * g.ItemHeight + 1;
      b.bottom = b.top + m.ScrollHeight - 1;
    }
  }
  g.Width = columns * g.ItemWidth + m.Frame.left + m.Frame.right;
  g.Height = rows * g.ItemHeight + m.Frame.top + m.Frame.bottom;
  if (g.ScrollBits == SMS_HSCROLL) g.Width += 2 * (m.ScrollWidth + m.ScrollGap);
  if (g.ScrollBits == SMS_VSCROLL) g.Height += 2 * (m.ScrollGap + m.ScrollHeight);
  return g;
}

void LayoutSmItemRects(const SmGrid& g, const SmMetrics& m, int first, int count, RECT* rects) {
  int x0 = m.Frame.left + (g.ScrollBits == SMS_HSCROLL ? m.ScrollGap + m.ScrollWidth : 0);
  int y0 = m.Frame.top + (g.ScrollBits == SMS_VSCROLL ? m.ScrollGap + m.ScrollHeight : 0);
  for (int i = 0; i < count; ++i) rects[i] = RECT{0, 0, -1, -1};
  if (first < 0) first = 0;
  for (int c = 0, i = first; c < g.Columns; ++c)
    for (int r = 0; r < g.Rows && i < count; ++r, ++i) {
      int x = x0 + c * g.ItemWidth, y = y0 + r * g.ItemHeight;
      rects[i] = RECT{x, y, x + g.ItemWidth - 1, y + g.ItemHeight - 1};
    }
}

int ClampFirstVisible(int first, int count, int rows, int columns) {
  int page = rows * columns;
  if (first >= count) first = count - 1;
  if (first < 0) first = 0;
  // When everything fits nothing may stay hidden above the first item.
  if (page >= count) return 0;
  if (count - first < page) first = count - page;
  return first;
}

POINT ComputeSubMenuPosition(const SmPlaceInput& in, int* leftwards) {
  const RECT& w = in.Work;
  const RECT& sh = in.M.Shadow;
  const RECT& fr = in.M.Frame;
  int width = in.Size.cx, height = in.Size.cy;
  int left = in.Leftwards;
  POINT p;
  if (in.Level > 0) {
    int right = in.Anchor.right - fr.left + 1;
    int leftX = in.Anchor.left + fr.right - width;
    if (!left) {
      p.x = right;
      if (p.x + width > w.right) {
        p.x = leftX;
        left = 1;
      }
    } else {
      p.x = leftX;
      if (p.x < w.left) {
        p.x = right;
        left = 0;
      }
    }
    p.y = in.Anchor.top - fr.top;
  } else {
    p.x = in.Anchor.left - sh.left;
    p.y = in.Anchor.top - sh.top;
  }
  if (p.x < w.left - sh.left) p.x = w.left - sh.left;
  if (p.x + width > w.right + sh.right)
    p.x = width - sh.left - sh.right < w.right - w.left + 1 ? w.right + sh.right - width : w.left - sh.left;
  if (p.y < w.top - sh.top) p.y = w.top - sh.top;
  if (p.y + height > w.bottom)
    p.y = height - sh.top - sh.bottom < w.bottom - w.top + 1 ? w.bottom + sh.bottom - height : w.top - sh.top;
  if (leftwards) *leftwards = left;
  return p;
}
